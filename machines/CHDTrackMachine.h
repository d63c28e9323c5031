#pragma once
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include <memory>

class CHDTrack;
class CHDTrackList;

// A recording point in the graph: passes "Line In" to "Line Out" after the
// track's volume and hands every block to its track in the HD recorder.
class CHDTrackMachine : public CMachine {
public:
    static constexpr int32_t kBlobSize = 4 + 1024;

    CHDTrackMachine(CHost* host, CHDTrackList* list, bool stereo);
    ~CHDTrackMachine() override;

    void Process() override;
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t) override {}
    bool IsGenerator() override { return false; }
    void SetName(const char* text) override;
    void LoadState(const void* data, int32_t size, bool isParameterList) override;
    void SaveState(void** data, int32_t* size, bool* isParameterList) override;

    const std::shared_ptr<CHDTrack>& Track() const { return track; }
    bool IsStereo() const { return stereo; }

private:
    CHDTrackList* list;
    bool stereo;
    std::shared_ptr<CHDTrack> track;
};

class CHDTrackMachineInfoMono : public CMachineInfo {
public:
    CHDTrackMachineInfoMono(CHost* host, CHDTrackList* list);
    CMachine* CreateMachine() override { return new CHDTrackMachine(host, list, false); }

private:
    CHost* host;
    CHDTrackList* list;
};

class CHDTrackMachineInfoStereo : public CMachineInfo {
public:
    CHDTrackMachineInfoStereo(CHost* host, CHDTrackList* list);
    CMachine* CreateMachine() override { return new CHDTrackMachine(host, list, true); }

private:
    CHost* host;
    CHDTrackList* list;
};
