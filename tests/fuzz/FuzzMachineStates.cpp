// State blobs of the built-in utility machines: the first byte picks the
// machine, the rest is its blob. What a machine takes it must save and take
// again to the same bytes.
#include "machines/CArpeggiator.h"
#include "machines/CControlChangeMapper.h"
#include "machines/CHDTrackList.h"
#include "machines/CHDTrackMachine.h"
#include "machines/CMIDIDevices.h"
#include "machines/CMIDIInput.h"
#include "machines/CMIDIOutput.h"
#include "studio/CVelmHost.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {
std::vector<uint8_t> Saved(CMachine& machine)
{
    void* data = nullptr;
    int32_t size = 0;
    bool parameterList = false;
    machine.SaveState(&data, &size, &parameterList);
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    std::free(data);
    return bytes;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CVelmHost host(44100, 256, 0);
    static CHDTrackList tracks;
    // No system devices: selecting one by index then finds none.
    static CMIDIDevices devices(std::vector<std::string>{}, std::vector<std::string>{});
    if (size < 1)
        return 0;
    const uint8_t* blob = data + 1;
    const auto length = static_cast<int32_t>(size - 1);
    auto make = [&](int which) -> std::unique_ptr<CMachine> {
        switch (which % 6) {
        case 0: return std::make_unique<CMIDIInput>(&host, &devices);
        case 1: return std::make_unique<CMIDIOutput>(&host, &devices);
        case 2: return std::make_unique<CHDTrackMachine>(&host, &tracks, false);
        case 3: return std::make_unique<CHDTrackMachine>(&host, &tracks, true);
        case 4: return std::make_unique<CControlChangeMapper>(&host);
        default: return std::make_unique<CArpeggiator>(&host);
        }
    };
    std::unique_ptr<CMachine> machine = make(data[0]);
    machine->LoadState(blob, length, (data[0] & 0x80) != 0);
    std::vector<uint8_t> first = Saved(*machine);
    std::unique_ptr<CMachine> copy = make(data[0]);
    copy->LoadState(first.data(), static_cast<int32_t>(first.size()), false);
    if (Saved(*copy) != first)
        std::abort();
    return 0;
}
