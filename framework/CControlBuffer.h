#pragma once
#include "framework/MachineEvent.h"
#include <cstdint>

// Time-ordered list of events for one block. Nodes come from a pool owned by
// the buffer that grows only when the buffer holds more events than ever
// before, so the render cycle does not allocate once warmed up.
class CControlBuffer {
public:
    CControlBuffer();
    virtual ~CControlBuffer();
    CControlBuffer(const CControlBuffer&) = delete;
    CControlBuffer& operator=(const CControlBuffer&) = delete;

    // The earliest event; among events of equal time the first in arrival
    // order, except that a note off goes before the others.
    virtual bool PopEvent(MachineEvent* out);
    // Inserted after the last event whose time is <= the new one.
    virtual void PushEvent(const MachineEvent* event);
    virtual void Clear();
    virtual void CopyTo(CControlBuffer* destination);
    // Events before `frames` move to the sink; the others age by `frames`.
    virtual void Advance(CControlBuffer* sink, int32_t frames);
    virtual int32_t Count();

    // Read access in time order, for machines that scan without popping.
    const MachineEvent* First() const { return head ? &head->event : nullptr; }
    const MachineEvent* Next(const MachineEvent* event) const;

private:
    struct Node {
        MachineEvent event;
        Node* next;
    };
    struct Chunk {
        Chunk* next;
        int32_t count;
        Node nodes[1];
    };

    Node* TakeNode();
    void GiveNode(Node* node);
    void Grow(int32_t nodes);

    Node* head = nullptr;
    Node* tail = nullptr;
    Node* freeNodes = nullptr;
    Chunk* chunks = nullptr;
    int32_t count = 0;
    int32_t capacity = 0;
    // Note offs held: without any, a pop need not look past the head, so a
    // long run of same-time parameter events empties in linear time.
    // (Last, so that the members machines read inline keep their places.)
    int32_t noteOffs = 0;
};
