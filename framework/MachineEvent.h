#pragma once
#include <cstddef>
#include <cstdint>

// The 40-byte event record that crosses the library boundary. Its layout is
// binding between the studio and every machine library.
enum EventKind : int32_t {
    EVENT_NOTE_ON = 1,        // byte key
    EVENT_NOTE_OFF = 2,       // byte key
    EVENT_NOTE_ON_INT = 3,    // int32 key
    EVENT_NOTE_OFF_INT = 4,   // int32 key
    EVENT_CONTROL_CHANGE = 5, // int32 parameter or controller index
};

struct MachineEvent {
    int32_t size;        // 40 when set; readers never rely on it
    int32_t time;        // frame offset from the start of the current block
    int32_t kind;        // EventKind
    uint8_t reserved[8]; // zero; the MIDI input machine keeps its time stamp here
    int32_t key;         // note number (low byte for kinds 1 and 2) or control index
    double value;        // velocity 0..1 or control value
    double frequency;    // Hz, for note-on events of kind 1

    bool IsNoteOff() const { return kind == EVENT_NOTE_OFF || kind == EVENT_NOTE_OFF_INT; }
    int32_t NoteKey() const { return kind <= EVENT_NOTE_OFF ? (key & 0xff) : key; }
};

static_assert(sizeof(MachineEvent) == 40);
static_assert(offsetof(MachineEvent, size) == 0);
static_assert(offsetof(MachineEvent, time) == 4);
static_assert(offsetof(MachineEvent, kind) == 8);
static_assert(offsetof(MachineEvent, reserved) == 12);
static_assert(offsetof(MachineEvent, key) == 20);
static_assert(offsetof(MachineEvent, value) == 24);
static_assert(offsetof(MachineEvent, frequency) == 32);

inline MachineEvent MakeEvent(int32_t time, int32_t kind, int32_t key, double value, double frequency = 0.0)
{
    MachineEvent event{};
    event.size = sizeof(MachineEvent);
    event.time = time;
    event.kind = kind;
    event.key = key;
    event.value = value;
    event.frequency = frequency;
    return event;
}
