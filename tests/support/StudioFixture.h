#pragma once
// A host with the master and the test machine types, and a studio on it.
#include "StudioTestMachines.h"
#include "TestMachines.h"
#include "app/BuiltInMachineTypes.h"
#include "framework/CHostMutex.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include "studio/CStudioObserver.h"
#include "studio/CStudioSequencer.h"
#include "studio/CVelmHost.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CStudioFixture {
public:
    explicit CStudioFixture(int32_t sampleRate = 44100, int32_t blockSize = 256)
        : host(sampleRate, blockSize, 0)
    {
        RegisterBuiltInMachineTypes(host);
        level = Register<CLevelMachine>("ZT Level");
        monoLevel = Register<CMonoLevelMachine>("ZT Mono Level");
        ramp = Register<CRampMachine>("ZT Ramp");
        pass = Register<CPassMachine>("ZT Vorize");
        events = Register<CEventMachine>("ZT Events");
        aux = Register<CAuxMachine>("ZT Aux");
        knob = new CParameterMachineInfo(&host, "ZT Knob", "VelmPlug::ZT Knob", 4);
        host.RegisterMachineInfo(knob);
        studio = std::make_unique<CStudio>(&host);
    }

    template <typename M>
    CMachineInfo* Register(const char* name)
    {
        identifiers.push_back(std::make_unique<std::string>(std::string("VelmPlug::") + name));
        auto* info = new CTestInfo<M>(&host, name, identifiers.back()->c_str());
        host.RegisterMachineInfo(info);
        return info;
    }

    template <typename M>
    static M* Machine(CMachineContainer* container)
    {
        return static_cast<M*>(container->GetMachine());
    }

    // Port `index` of the container's machine.
    static CConnector* Port(CMachineContainer* container, int32_t index) { return container->GetConnector(index); }

    CVelmHost host;
    CMachineInfo* level;
    CMachineInfo* monoLevel;
    CMachineInfo* ramp;
    CMachineInfo* pass;
    CMachineInfo* events;
    CMachineInfo* aux;
    CMachineInfo* knob;
    std::vector<std::unique_ptr<std::string>> identifiers;
    std::unique_ptr<CStudio> studio;
};

// Records what the studio told it, in order.
class CRecordingObserver : public CStudioObserver {
public:
    void MachineAdded(CMachineContainer* c) override { log.push_back("added " + std::string(c->GetName())); }
    void MachineRemoved(CMachineContainer* c) override { log.push_back("removed " + std::string(c->GetName())); }
    void MachineRenamed(CMachineContainer* c) override { log.push_back("renamed " + std::string(c->GetName())); }
    void ConnectionsChanged() override { log.push_back("connections"); }
    void StudioCleared() override { log.push_back("cleared"); }
    void ParameterChanged(CMachineContainer* c, int32_t index, double value) override
    {
        parameters.push_back({index, value});
    }
    std::vector<std::string> log;
    std::vector<std::pair<int32_t, double>> parameters;
};

// Stands in for the sequencer: notes the calls and whether the pattern lock
// was held at each; its pattern step may push events.
class CRecordingSequencer : public CStudioSequencer {
public:
    CHostMutex& PatternLock() override { return lock; }
    void PatternStep() override
    {
        Note("pattern step");
        if (onPatternStep)
            onPatternStep();
    }
    void SongStep() override { Note("song step"); }
    void SetSampleRate(int32_t hz) override { Note("rate " + std::to_string(hz)); }
    void SetBlockSize(int32_t frames) override { Note("block " + std::to_string(frames)); }
    void ClearSequence() override { Note("clear sequence"); }
    void ClearPatterns() override { Note("clear patterns"); }

    void Note(const std::string& call) { calls.push_back(call + (lock.IsLocked() ? " (locked)" : "")); }

    CHostMutex lock;
    std::vector<std::string> calls;
    std::function<void()> onPatternStep;
};
