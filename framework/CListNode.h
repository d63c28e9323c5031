#pragma once

// Intrusive doubly linked list: the items carry their own links, so adding
// and removing never allocates. T derives from CListNode<T>.
template <typename T>
class CListNode {
public:
    T* PreviousNode() const { return previous; }
    T* NextNode() const { return next; }

private:
    template <typename>
    friend class CList;
    T* previous = nullptr;
    T* next = nullptr;
};

template <typename T>
class CList {
public:
    T* First() const { return first; }
    T* Last() const { return last; }
    bool IsEmpty() const { return first == nullptr; }

    void Append(T* item)
    {
        CListNode<T>* node = item;
        node->previous = last;
        node->next = nullptr;
        if (last)
            static_cast<CListNode<T>*>(last)->next = item;
        else
            first = item;
        last = item;
    }

    void Remove(T* item)
    {
        CListNode<T>* node = item;
        if (node->previous)
            static_cast<CListNode<T>*>(node->previous)->next = node->next;
        else if (first == item)
            first = node->next;
        else
            return; // not in this list
        if (node->next)
            static_cast<CListNode<T>*>(node->next)->previous = node->previous;
        else
            last = node->previous;
        node->previous = node->next = nullptr;
    }

private:
    T* first = nullptr;
    T* last = nullptr;
};
