#include "coremachines/CCurve.h"
#include <algorithm>
#include <cmath>

void CCurve::SetConstant(double constant)
{
    k = constant;
    norm = k == 0.0 ? 1.0 : 1.0 / (1.0 - std::exp(k));
}

double CCurve::Shape(double q) const
{
    if (k == 0.0)
        return q;
    return (1.0 - std::exp(k * q)) * norm;
}

double CCurve::Inverse(double level) const
{
    double q;
    if (k == 0.0) {
        q = level;
    } else {
        double inner = 1.0 - level / norm;
        q = inner > 0.0 ? std::log(inner) / k : 1.0;
    }
    return std::clamp(q, 0.0, 1.0);
}

void CCurveSegment::Start(const CCurve& curve, double phase, double step)
{
    q = std::clamp(phase, 0.0, 1.0);
    increment = step;
    const double k = curve.Constant();
    linear = k == 0.0;
    norm = curve.Norm();
    power = std::exp(k * q);
    ratio = std::exp(k * increment);
}
