#include "coremachines/CStereoJoiner.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include <algorithm>
#include <cstring>

CStereoJoiner::CStereoJoiner(CHost* host) : CMachine(host), blockSize(host->GetBlockSize())
{
    AddPort(PORT_MONO_AUDIO_IN, "Left In");
    AddPort(PORT_MONO_AUDIO_IN, "Right In");
    AddPort(PORT_STEREO_AUDIO_OUT, "Stereo Out");
}

void CStereoJoiner::Process()
{
    const CAudioBuffer* left = ports[0]->audioBuffer;
    const CAudioBuffer* right = ports[1]->audioBuffer;
    CAudioBuffer* out = ports[2]->audioBuffer;
    const int32_t count = std::max(0, std::min({blockSize, left->length, right->length, out->length}));
    const size_t bytes = sizeof(double) * static_cast<size_t>(count);
    if (bytes == 0)
        return;
    std::memcpy(out->left, left->left, bytes);
    std::memcpy(out->right, right->left, bytes);
}
