#include "framework/CControlBuffer.h"
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
constexpr int32_t kInitialNodes = 16;
}

CControlBuffer::CControlBuffer()
{
    Grow(kInitialNodes);
}

CControlBuffer::~CControlBuffer()
{
    while (chunks) {
        Chunk* next = chunks->next;
        std::free(chunks);
        chunks = next;
    }
}

void CControlBuffer::Grow(int32_t nodes)
{
    size_t bytes = offsetof(Chunk, nodes) + sizeof(Node) * static_cast<size_t>(nodes);
    auto* chunk = static_cast<Chunk*>(std::malloc(bytes));
    if (!chunk)
        throw std::bad_alloc();
    chunk->next = chunks;
    chunk->count = nodes;
    chunks = chunk;
    for (int32_t i = 0; i < nodes; ++i)
        GiveNode(&chunk->nodes[i]);
    capacity += nodes;
}

CControlBuffer::Node* CControlBuffer::TakeNode()
{
    if (!freeNodes)
        Grow(capacity);
    Node* node = freeNodes;
    freeNodes = node->next;
    return node;
}

void CControlBuffer::GiveNode(Node* node)
{
    node->next = freeNodes;
    freeNodes = node;
}

const MachineEvent* CControlBuffer::Next(const MachineEvent* event) const
{
    const Node* node = reinterpret_cast<const Node*>(event);
    return node->next ? &node->next->event : nullptr;
}

bool CControlBuffer::PopEvent(MachineEvent* out)
{
    if (!head)
        return false;
    // The list is in time order, so the earliest events lead it.
    Node* previous = nullptr;
    Node* chosen = head;
    if (noteOffs > 0 && !chosen->event.IsNoteOff()) {
        Node* before = head;
        for (Node* node = head->next; node && node->event.time == head->event.time; node = node->next) {
            if (node->event.IsNoteOff()) {
                previous = before;
                chosen = node;
                break;
            }
            before = node;
        }
    }
    *out = chosen->event;
    if (chosen->event.IsNoteOff())
        --noteOffs;
    if (previous)
        previous->next = chosen->next;
    else
        head = chosen->next;
    if (tail == chosen)
        tail = previous;
    GiveNode(chosen);
    --count;
    return true;
}

void CControlBuffer::PushEvent(const MachineEvent* event)
{
    Node* node = TakeNode();
    node->event = *event;
    node->next = nullptr;
    ++count;
    if (event->IsNoteOff())
        ++noteOffs;
    if (!head) {
        head = tail = node;
        return;
    }
    if (tail->event.time <= event->time) {
        tail->next = node;
        tail = node;
        return;
    }
    if (event->time < head->event.time) {
        node->next = head;
        head = node;
        return;
    }
    Node* after = head;
    while (after->next && after->next->event.time <= event->time)
        after = after->next;
    node->next = after->next;
    after->next = node;
}

void CControlBuffer::Clear()
{
    while (head) {
        Node* next = head->next;
        GiveNode(head);
        head = next;
    }
    tail = nullptr;
    count = 0;
    noteOffs = 0;
}

void CControlBuffer::CopyTo(CControlBuffer* destination)
{
    for (Node* node = head; node; node = node->next)
        destination->PushEvent(&node->event);
}

void CControlBuffer::Advance(CControlBuffer* sink, int32_t frames)
{
    Node* previous = nullptr;
    Node* node = head;
    while (node) {
        Node* next = node->next;
        if (node->event.time < frames) {
            sink->PushEvent(&node->event);
            if (previous)
                previous->next = next;
            else
                head = next;
            if (tail == node)
                tail = previous;
            if (node->event.IsNoteOff())
                --noteOffs;
            GiveNode(node);
            --count;
        } else {
            node->event.time -= frames;
            previous = node;
        }
        node = next;
    }
}

int32_t CControlBuffer::Count()
{
    return count;
}
