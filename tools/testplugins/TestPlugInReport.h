#pragma once
// What the in-tree test plug-ins tell a test about themselves. A test asks
// with effVendorSpecific: index kReportRequest copies the report into ptr;
// index kCallRequest makes the plug-in call its host callback with the
// request in ptr and store the answer there; index kMirrorRequest gives a
// report that the plug-in keeps up to date after each dispatcher call, up
// to and including effClose (so it outlives the plug-in).
#include "framework/VSTInterface.h"
#include <cstdint>

inline constexpr VstInt32 kReportRequest = 0x564C6F67; // 'VLog'
inline constexpr VstInt32 kCallRequest = 0x5643616C;   // 'VCal'
inline constexpr VstInt32 kMirrorRequest = 0x564D6972; // 'VMir'
inline constexpr VstInt32 kMisbehaveRequest = 0x56426164; // 'VBad': ptr is a TestMisbehaviour
inline constexpr int kReportOpcodes = 512;
inline constexpr int kReportEvents = 64;
inline constexpr int kReportBlocks = 64;

struct TestPlugInReport {
    // Every dispatcher opcode received, in order (the test requests aside).
    VstInt32 opcodes[kReportOpcodes];
    VstInt32 opcodeCount;
    // Arguments worth checking.
    float sampleRate;
    VstIntPtr blockSize;
    float panLaw;
    VstInt32 chunkIndex;   // index of the last effGetChunk / effSetChunk
    VstIntPtr chunkSize;   // value of the last effSetChunk
    void* editorWindow;    // ptr of effEditOpen
    VstIntPtr programSet;  // value of the last effSetProgram
    // Answers of the host callback from inside the entry (null effect), and
    // of a call with the plug-in's own record before the host knew it.
    VstIntPtr entryVersion;
    VstIntPtr entrySampleRate;
    VstIntPtr entryBlockSize;
    char entryVendor[kVstVendorSize];
    VstIntPtr entryTimeWithRecord;
    // Processing.
    VstInt32 processCalls;          // accumulating
    VstInt32 processReplacingCalls;
    VstInt32 processDoubleCalls;
    VstInt32 lastFrames;
    VstInt32 processEventsCalls;
    VstInt32 eventCount; // events received in all
    VstMidiEvent events[kReportEvents];
    VstInt32 eventsPerCall[kReportBlocks]; // numEvents of each effProcessEvents
    VstInt32 idleCalls;
    VstInt32 editIdleCalls;     // counted when the call starts
    VstInt32 editIdleReturns;   // counted when it returns
    VstInt32 blocksDuringEditIdle; // processReplacing calls made during slow editor idle calls
};

struct TestCallRequest {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
    VstIntPtr answer;
};

// What a test plug-in is told to do wrong from now on.
struct TestMisbehaviour {
    VstInt32 throwOpcode;     // the dispatcher throws for this opcode; -1: never
    bool throwInProcess;      // processReplacing throws
    bool throwInSetParameter;
    bool throwInGetParameter;
    VstInt32 nonFiniteBlocks; // the next blocks write a NaN and an infinity
    VstInt32 editIdleMilliseconds; // effEditIdle takes this long (a slow editor)
};
