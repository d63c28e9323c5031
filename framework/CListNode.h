#pragma once
#include <cstdint>

// Links of an intrusive doubly linked list: an object that derives from
// CListNode<T> can be in one CList<T> at a time, without allocation.
template <typename T>
class CListNode {
public:
    T* previousNode = nullptr;
    T* nextNode = nullptr;
};

template <typename T>
class CList {
public:
    T* First() const { return first; }
    static T* Next(const T* item) { return Links(item)->nextNode; }
    int32_t Count() const { return count; }

    void Append(T* item)
    {
        CListNode<T>* links = Links(item);
        links->previousNode = last;
        links->nextNode = nullptr;
        if (last)
            Links(last)->nextNode = item;
        else
            first = item;
        last = item;
        ++count;
    }

    // The item must be in this list.
    void Remove(T* item)
    {
        CListNode<T>* links = Links(item);
        if (links->previousNode)
            Links(links->previousNode)->nextNode = links->nextNode;
        else
            first = links->nextNode;
        if (links->nextNode)
            Links(links->nextNode)->previousNode = links->previousNode;
        else
            last = links->previousNode;
        links->previousNode = links->nextNode = nullptr;
        --count;
    }

private:
    static CListNode<T>* Links(T* item) { return static_cast<CListNode<T>*>(item); }
    static const CListNode<T>* Links(const T* item) { return static_cast<const CListNode<T>*>(item); }

    T* first = nullptr;
    T* last = nullptr;
    int32_t count = 0;
};
