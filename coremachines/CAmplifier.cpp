#include "coremachines/CAmplifier.h"
#include <cmath>

void CAmplifier::ComputeGain(double control)
{
    lastControl = control;
    lastGain = std::exp2(control / scale) - 1.0;
    cached = true;
}

void CAmplifier::Render(double* buffer, const double* control, int32_t count)
{
    if (mode == MODE_EXPONENTIAL) {
        for (int32_t i = 0; i < count; ++i)
            buffer[i] *= Gain(control[i]);
    } else {
        for (int32_t i = 0; i < count; ++i)
            buffer[i] *= control[i] / scale;
    }
}
