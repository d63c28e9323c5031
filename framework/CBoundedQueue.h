#pragma once
#include <atomic>
#include <cstddef>
#include <memory>

// Bounded multi-producer, multi-consumer queue of small values: each cell's
// sequence number tells producers and consumers whose turn the cell is.
// Neither end allocates or takes a lock, so the render cycle may use it.
template <typename T>
class CBoundedQueue {
public:
    // The capacity is rounded up to a power of two.
    explicit CBoundedQueue(size_t capacity) : mask(RoundUp(capacity) - 1), cells(new Cell[mask + 1])
    {
        for (size_t i = 0; i <= mask; ++i)
            cells[i].sequence.store(i, std::memory_order_relaxed);
    }

    // False when full.
    bool TryPush(const T& value)
    {
        size_t position = enqueuePosition.load(std::memory_order_relaxed);
        Cell* cell;
        for (;;) {
            cell = &cells[position & mask];
            const size_t sequence = cell->sequence.load(std::memory_order_acquire);
            const auto difference = static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position);
            if (difference == 0) {
                if (enqueuePosition.compare_exchange_weak(position, position + 1, std::memory_order_relaxed))
                    break;
            } else if (difference < 0) {
                return false;
            } else {
                position = enqueuePosition.load(std::memory_order_relaxed);
            }
        }
        cell->value = value;
        cell->sequence.store(position + 1, std::memory_order_release);
        return true;
    }

    // False when empty.
    bool TryPop(T& value)
    {
        size_t position = dequeuePosition.load(std::memory_order_relaxed);
        Cell* cell;
        for (;;) {
            cell = &cells[position & mask];
            const size_t sequence = cell->sequence.load(std::memory_order_acquire);
            const auto difference =
                static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position + 1);
            if (difference == 0) {
                if (dequeuePosition.compare_exchange_weak(position, position + 1, std::memory_order_relaxed))
                    break;
            } else if (difference < 0) {
                return false;
            } else {
                position = dequeuePosition.load(std::memory_order_relaxed);
            }
        }
        value = cell->value;
        cell->sequence.store(position + mask + 1, std::memory_order_release);
        return true;
    }

    // Whether a value waits at the front (a hint: others may take it).
    bool HasValues() const
    {
        const size_t position = dequeuePosition.load(std::memory_order_acquire);
        return cells[position & mask].sequence.load(std::memory_order_acquire) == position + 1;
    }

private:
    struct Cell {
        std::atomic<size_t> sequence;
        T value;
    };

    static size_t RoundUp(size_t n)
    {
        size_t p = 2;
        while (p < n)
            p <<= 1;
        return p;
    }

    size_t mask;
    std::unique_ptr<Cell[]> cells;
    alignas(64) std::atomic<size_t> enqueuePosition{0};
    alignas(64) std::atomic<size_t> dequeuePosition{0};
};
