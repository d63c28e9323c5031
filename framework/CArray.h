#pragma once
#include "framework/Errors.h"
#include <cstdint>
#include <cstring>

// Growable array of pointers. Every insertion and removal reallocates to the
// exact new count: lists of this kind are short and edited by hand, and the
// exact size keeps the memory of long-lived projects tight. The array does
// not own the pointed-to items.
template <typename T>
class CArray {
public:
    CArray() = default;
    ~CArray() { delete[] items; }
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;

    int32_t GetCount() const { return count; }
    T* GetItem(int32_t index) const
    {
        if (index < 0 || index >= count)
            Raise("CArray::GetItem - Index Out Of Bounds (%i)", index);
        return items[index];
    }
    T* operator[](int32_t index) const { return GetItem(index); }

    void AddItem(T* item) { InsertItem(count, item); }

    void InsertItem(int32_t index, T* item)
    {
        if (index < 0 || index > count)
            Raise("CArray::InsertItem - Index Out Of Bounds (%i)", index);
        T** grown = new T*[static_cast<size_t>(count) + 1];
        Copy(grown, items, index);
        grown[index] = item;
        Copy(grown + index + 1, items + index, count - index);
        Replace(grown, count + 1);
    }

    // Appends several items with one reallocation.
    void AddItems(T* const* added, int32_t addedCount)
    {
        if (addedCount <= 0)
            return;
        T** grown = new T*[static_cast<size_t>(count) + static_cast<size_t>(addedCount)];
        Copy(grown, items, count);
        Copy(grown + count, added, addedCount);
        Replace(grown, count + addedCount);
    }

    void RemoveItem(int32_t index)
    {
        if (index < 0 || index >= count)
            Raise("CArray::RemoveItem - Index Out Of Bounds (%i)", index);
        T** shrunk = count > 1 ? new T*[static_cast<size_t>(count) - 1] : nullptr;
        Copy(shrunk, items, index);
        Copy(shrunk + index, items + index + 1, count - index - 1);
        Replace(shrunk, count - 1);
    }

    // Removes the first occurrence; false when the item is not in the array.
    bool Remove(T* item)
    {
        int32_t index = IndexOf(item);
        if (index < 0)
            return false;
        RemoveItem(index);
        return true;
    }

    int32_t IndexOf(const T* item) const
    {
        for (int32_t i = 0; i < count; ++i) {
            if (items[i] == item)
                return i;
        }
        return -1;
    }

    // Forgets every pointer (the items themselves are not freed).
    void Clear() { Replace(nullptr, 0); }

    // Frees every item with delete, then forgets them.
    void DeleteAll()
    {
        for (int32_t i = 0; i < count; ++i)
            delete items[i];
        Clear();
    }

    T** begin() const { return items; }
    T** end() const { return items + count; }

private:
    static void Copy(T** to, T* const* from, int32_t n)
    {
        if (n > 0)
            std::memcpy(to, from, sizeof(T*) * static_cast<size_t>(n));
    }
    void Replace(T** newItems, int32_t newCount)
    {
        delete[] items;
        items = newItems;
        count = newCount;
    }

    T** items = nullptr;
    int32_t count = 0;
};
