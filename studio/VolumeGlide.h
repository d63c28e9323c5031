#pragma once

// Volumes never jump: per frame the current value moves towards the target
// by (difference + bias) * 0.0004 and stops exactly on it. Cables use the
// double bias 0.1; the master volume uses the single-precision 0.1.
inline constexpr double kGlideRate = 0.0004;
inline constexpr double kCableGlideBias = 0.1;
inline constexpr double kMasterGlideBias = static_cast<double>(0.1f);

inline double GlideTowards(double current, double target, double bias)
{
    if (target > current) {
        double next = current + (target - current + bias) * kGlideRate;
        return next < target ? next : target;
    }
    double next = current - (current - target + bias) * kGlideRate;
    return next > target ? next : target;
}
