#pragma once
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include <atomic>
#include <vector>

// Renumbers control changes passing through a control cable: the first
// mapping whose "in" equals an event's control number gives the new number.
// A mapping in training takes the number of the next control change.
class CControlChangeMapper : public CMachine {
public:
    struct Mapping {
        int32_t in = 0;
        int32_t out = 0;
        bool training = false;
    };

    explicit CControlChangeMapper(CHost* host);

    void Process() override;
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t) override {}
    bool IsGenerator() override { return false; }
    CControl* CreateGUI(CControl* parent) override;
    void LoadState(const void* data, int32_t size, bool isParameterList) override;
    void SaveState(void** data, int32_t* size, bool* isParameterList) override;

    // Editing, each under the machine's lock.
    int32_t AddMapping(int32_t in, int32_t out);
    void RemoveMapping(int32_t index);
    void SetMapping(int32_t index, int32_t in, int32_t out);
    void SetTraining(int32_t index, bool on);

    int32_t GetMappingCount();
    Mapping GetMapping(int32_t index);
    // Rises with every change, so that an editor can see when to refresh.
    uint32_t Revision() const { return revision.load(std::memory_order_acquire); }

    static constexpr int32_t kHighestControl = 1024;

private:
    void Changed() { revision.fetch_add(1, std::memory_order_acq_rel); }

    std::vector<Mapping> mappings;
    std::atomic<uint32_t> revision{0};
};

class CControlChangeMapperInfo : public CMachineInfo {
public:
    explicit CControlChangeMapperInfo(CHost* host);
    CMachine* CreateMachine() override { return new CControlChangeMapper(host); }

private:
    CHost* host;
};
