#pragma once
// The in-tree test plug-ins and machine library, and how a test talks to a
// test plug-in hosted by a CVSTAdapter.
#include "studio/CVSTAdapter.h"
#include "studio/CVSTAdapterInfo.h"
#include "tools/testplugins/TestPlugInReport.h"
#include <memory>
#include <string>

struct ReleaseMachine {
    void operator()(CMachine* machine) const { machine->Release(); }
};
using AdapterPtr = std::unique_ptr<CVSTAdapter, ReleaseMachine>;

inline AdapterPtr CreateAdapter(CMachineInfo& info)
{
    return AdapterPtr(static_cast<CVSTAdapter*>(info.CreateMachine()));
}

inline std::string TestVSTFolder(bool wellBehaved = true)
{
    return std::string(VELMORA_TEST_DIR) + (wellBehaved ? "/vst/good" : "/vst/bad");
}

// The plug-ins whose identifiers collide ("twin-a", "twin-b", "blank-a",
// "blank-b").
inline std::string TestTwinsFolder()
{
    return std::string(VELMORA_TEST_DIR) + "/vst/twins";
}

// "gain", "synth", "chunks", "four-outputs", "declines-events", "main-only",
// "no-audio", "misbehaves";
// "crash", "null-effect", "hang" live in the other folder.
inline std::string TestVSTPath(const std::string& kind)
{
    if (kind.rfind("twin-", 0) == 0 || kind.rfind("blank-", 0) == 0)
        return TestTwinsFolder() + "/velm-" + kind + ".so";
    const bool bad = kind == "crash" || kind == "null-effect" || kind == "hang";
    return TestVSTFolder(!bad) + "/velm-" + kind + ".so";
}

inline std::string TestMachineLibraryFolder()
{
    return std::string(VELMORA_TEST_DIR) + "/PlugIns";
}

inline TestPlugInReport ReportOf(CVSTAdapter* adapter)
{
    TestPlugInReport report{};
    AEffect* effect = adapter->GetEffect();
    effect->dispatcher(effect, effVendorSpecific, kReportRequest, 0, &report, 0.0f);
    return report;
}

// Keeps `mirror` up to date from the plug-in, up to its effClose.
inline void MirrorReport(CVSTAdapter* adapter, TestPlugInReport* mirror)
{
    AEffect* effect = adapter->GetEffect();
    effect->dispatcher(effect, effVendorSpecific, kMirrorRequest, 0, mirror, 0.0f);
}

// The plug-in calls its host callback, as it would on its own.
inline VstIntPtr PlugInAsks(CVSTAdapter* adapter, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                            void* ptr = nullptr, float opt = 0.0f)
{
    TestCallRequest call{opcode, index, value, ptr, opt, 0};
    AEffect* effect = adapter->GetEffect();
    effect->dispatcher(effect, effVendorSpecific, kCallRequest, 0, &call, 0.0f);
    return call.answer;
}

// From now on the plug-in misbehaves as told (the "misbehaves" kind).
inline void TellToMisbehave(CVSTAdapter* adapter, const TestMisbehaviour& misbehaviour)
{
    AEffect* effect = adapter->GetEffect();
    TestMisbehaviour copy = misbehaviour;
    effect->dispatcher(effect, effVendorSpecific, kMisbehaveRequest, 0, &copy, 0.0f);
}
