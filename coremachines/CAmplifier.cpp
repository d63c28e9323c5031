#include "coremachines/CAmplifier.h"
#include <cmath>

void CAmplifier::Render(double* buffer, const double* control, int32_t count)
{
    if (mode == MODE_EXPONENTIAL) {
        // The cache in locals: a store to the buffer could alias it.
        double last = lastControl;
        double gain = lastGain;
        bool known = cached;
        for (int32_t i = 0; i < count; ++i) {
            const double c = control[i];
            if (!known || c != last) {
                last = c;
                gain = std::exp2(c / scale) - 1.0;
                known = true;
            }
            buffer[i] *= gain;
        }
        lastControl = last;
        lastGain = gain;
        cached = known;
    } else {
        for (int32_t i = 0; i < count; ++i)
            buffer[i] *= control[i] / scale;
    }
}
