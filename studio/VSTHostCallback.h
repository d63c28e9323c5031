#pragma once
#include "framework/VSTInterface.h"

// The host callback given to every plug-in's entry. Versions, sample rate,
// block size and vendor are answered without looking at the effect; the
// other questions are answered by the plug-in's machine, under its lock.
VstIntPtr VSTHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

inline constexpr VstIntPtr kHostVSTVersion = 2400;
inline constexpr const char* kHostVendor = "Velmora";
