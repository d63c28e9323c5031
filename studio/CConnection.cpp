#include "studio/CConnection.h"
#include "framework/CAudioBuffer.h"
#include "framework/CPort.h"
#include "studio/CConnector.h"
#include "studio/VolumeGlide.h"
#include <algorithm>

void CConnection::MixInto(CAudioBuffer* into)
{
    const CAudioBuffer* from = source->GetPort()->audioBuffer;
    if (!from || !into)
        return;
    const int32_t length = std::min(from->length, into->length);
    const double target = GetTargetVolume();
    double v = currentVolume;
    const double* srcLeft = from->left;
    const double* srcRight = from->stereo ? from->right : from->left;
    double* left = into->left;
    double* right = into->right;

    if (into->stereo) {
        for (int32_t i = 0; i < length; ++i) {
            if (v != target)
                v = GlideTowards(v, target, kCableGlideBias);
            left[i] += srcLeft[i] * v;
            right[i] += srcRight[i] * v;
        }
    } else if (from->stereo) {
        for (int32_t i = 0; i < length; ++i) {
            if (v != target)
                v = GlideTowards(v, target, kCableGlideBias);
            left[i] += (srcLeft[i] + srcRight[i]) * 0.5 * v;
        }
    } else {
        for (int32_t i = 0; i < length; ++i) {
            if (v != target)
                v = GlideTowards(v, target, kCableGlideBias);
            left[i] += srcLeft[i] * v;
        }
    }
    currentVolume = v;
}
