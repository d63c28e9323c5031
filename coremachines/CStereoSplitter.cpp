#include "coremachines/CStereoSplitter.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include <algorithm>
#include <cstring>

CStereoSplitter::CStereoSplitter(CHost* host) : CMachine(host), blockSize(host->GetBlockSize())
{
    AddPort(PORT_STEREO_AUDIO_IN, "Stereo In");
    AddPort(PORT_MONO_AUDIO_OUT, "Left Out");
    AddPort(PORT_MONO_AUDIO_OUT, "Right Out");
}

void CStereoSplitter::Process()
{
    const CAudioBuffer* in = ports[0]->audioBuffer;
    CAudioBuffer* left = ports[1]->audioBuffer;
    CAudioBuffer* right = ports[2]->audioBuffer;
    // Never past any of the three buffers, whatever the stored block size.
    const int32_t count = std::max(0, std::min({blockSize, in->length, left->length, right->length}));
    const size_t bytes = sizeof(double) * static_cast<size_t>(count);
    if (bytes == 0)
        return;
    std::memcpy(left->left, in->left, bytes);
    std::memcpy(right->left, in->right ? in->right : in->left, bytes);
}
