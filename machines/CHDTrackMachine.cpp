#include "machines/CHDTrackMachine.h"
#include "framework/CAudioBuffer.h"
#include "framework/CPort.h"
#include "machines/CHDTrack.h"
#include "machines/CHDTrackList.h"
#include "machines/StateBlob.h"
#include <algorithm>
#include <cstring>

CHDTrackMachine::CHDTrackMachine(CHost* host, CHDTrackList* list, bool stereo)
    : CMachine(host), list(list), stereo(stereo), track(std::make_shared<CHDTrack>(list, host, stereo))
{
    AddPort(stereo ? PORT_STEREO_AUDIO_IN : PORT_MONO_AUDIO_IN, "Line In");
    AddPort(stereo ? PORT_STEREO_AUDIO_OUT : PORT_MONO_AUDIO_OUT, "Line Out");
    list->Add(track);
}

CHDTrackMachine::~CHDTrackMachine()
{
    {
        CLockGuard<CMutex> lock(*track);
        track->Close();
    }
    list->Remove(track.get());
}

void CHDTrackMachine::Process()
{
    CAudioBuffer* in = ports[0]->audioBuffer;
    CAudioBuffer* out = ports[1]->audioBuffer;
    const int32_t frames = std::min(in->length, out->length);
    {
        CLockGuard<CMutex> lock(*track);
        track->Write(in->left, stereo ? in->right : nullptr, frames);
    }
    std::memcpy(out->left, in->left, sizeof(double) * static_cast<size_t>(frames));
    if (stereo)
        std::memcpy(out->right, in->right, sizeof(double) * static_cast<size_t>(frames));
}

void CHDTrackMachine::SetName(const char* text)
{
    CMachine::SetName(text);
    track->SetMachineName(GetName());
}

void CHDTrackMachine::LoadState(const void* data, int32_t size, bool isParameterList)
{
    if (isParameterList || !data || size < kBlobSize || std::memcmp(data, "MTDH", 4) != 0)
        return;
    const char* field = static_cast<const char*>(data) + 4;
    size_t length = strnlen(field, 1024);
    // A path filling the whole field has no terminator: it is cut to fit.
    track->SetFile(std::string(field, std::min<size_t>(length, 1023)), track->GetFormat());
}

void CHDTrackMachine::SaveState(void** data, int32_t* size, bool* isParameterList)
{
    std::vector<uint8_t> bytes(kBlobSize, 0);
    std::memcpy(bytes.data(), "MTDH", 4);
    std::string path = track->GetPath();
    std::memcpy(bytes.data() + 4, path.data(), std::min<size_t>(path.size(), 1023));
    blob::Hand(bytes, data, size, isParameterList);
}

CHDTrackMachineInfoMono::CHDTrackMachineInfoMono(CHost* host, CHDTrackList* list) : host(host), list(list)
{
    name = "ZT HD Recorder Track (Mono)";
    identifier = "VelmPlug::ZT HD Recorder Track (Mono)";
}

CHDTrackMachineInfoStereo::CHDTrackMachineInfoStereo(CHost* host, CHDTrackList* list) : host(host), list(list)
{
    name = "ZT HD Recorder Track (Stereo)";
    identifier = "VelmPlug::ZT HD Recorder Track (Stereo)";
}
