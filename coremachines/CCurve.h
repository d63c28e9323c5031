#pragma once
// The bowed segment shape of envelope stages and slides:
// shape(q) = (1 − e^(k·q))·N with N = 1/(1 − e^k), straight when k = 0.
// A running segment steps q by a fixed increment and keeps e^(k·q) by one
// multiplication per sample, so no exponential runs per sample.
#include <cstdint>

class CCurve {
public:
    explicit CCurve(double k = 0.0) { SetConstant(k); }

    void SetConstant(double k);
    double Constant() const { return k; }
    double Norm() const { return norm; }

    double Shape(double q) const;
    // The phase q in 0..1 at which the shape equals `level`.
    double Inverse(double level) const;

private:
    double k = 0.0;
    double norm = 1.0;
};

// One segment of a curve being walked from phase q to 1.
class CCurveSegment {
public:
    // Starts (or re-syncs) at phase q with the given per-sample increment.
    void Start(const CCurve& curve, double q, double increment);
    // Keeps the phase; takes a new curve or increment.
    void Retune(const CCurve& curve, double increment) { Start(curve, q, increment); }

    // Advances one sample (q clamped to 1) and returns shape(q). A phase
    // within rounding of 1 counts as 1, so that a segment of n samples ends
    // on its n-th step whatever the sum of the increments rounds to.
    double Step()
    {
        q += increment;
        if (q >= 1.0 - kEndTolerance) {
            q = 1.0;
            return 1.0;
        }
        if (linear)
            return q;
        power *= ratio;
        return (1.0 - power) * norm;
    }

    double Phase() const { return q; }
    bool Finished() const { return q >= 1.0; }

private:
    static constexpr double kEndTolerance = 1e-9;

    double q = 0.0;
    double increment = 0.0;
    double power = 1.0; // e^(k·q)
    double ratio = 1.0; // e^(k·increment)
    double norm = 1.0;
    bool linear = true;
};
