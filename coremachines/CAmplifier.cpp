#include "coremachines/CAmplifier.h"
#include <cmath>

void CAmplifier::Render(double* buffer, const double* control, int32_t count) const
{
    if (mode == MODE_EXPONENTIAL) {
        for (int32_t i = 0; i < count; ++i)
            buffer[i] *= std::exp2(control[i] / scale) - 1.0;
    } else {
        for (int32_t i = 0; i < count; ++i)
            buffer[i] *= control[i] / scale;
    }
}
