#include "studio/CMaster.h"
#include "framework/CPort.h"
#include "framework/Errors.h"
#include <cstring>

namespace {
constexpr const char* kLineIn = "Line In";
}

CMaster::CMaster(CHost* host) : CMachine(host)
{
    // Stereo until a driver says otherwise.
    AddPort(PORT_STEREO_AUDIO_IN, kLineIn);
}

bool CMaster::PortsFit(int32_t channels) const
{
    if (channels <= 2) {
        int32_t flags = channels == 2 ? PORT_STEREO_AUDIO_IN : PORT_MONO_AUDIO_IN;
        return portCount == 1 && ports[0]->flags == flags && std::strcmp(ports[0]->name, kLineIn) == 0;
    }
    if (portCount != channels)
        return false;
    for (int32_t i = 0; i < portCount; ++i) {
        if (ports[i]->flags != PORT_MONO_AUDIO_IN || FormatText("Channel %i", i + 1) != ports[i]->name)
            return false;
    }
    return true;
}

bool CMaster::RebuildInputPorts(int32_t channels)
{
    if (channels < 1)
        channels = 1;
    if (PortsFit(channels))
        return false;
    RemoveAllPorts();
    if (channels <= 2) {
        AddPort(channels == 2 ? PORT_STEREO_AUDIO_IN : PORT_MONO_AUDIO_IN, kLineIn);
    } else {
        for (int32_t i = 1; i <= channels; ++i)
            AddPort(PORT_MONO_AUDIO_IN, FormatText("Channel %i", i).c_str());
    }
    return true;
}

CMasterInfo::CMasterInfo(CHost* host) : host(host)
{
    name = "Master";
    identifier = "Master";
}
