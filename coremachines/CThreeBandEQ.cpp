#include "coremachines/CThreeBandEQ.h"
#include <cmath>
#include <numbers>

template <typename T>
double CThreeBandEQState<T>::Coefficient(double hz, double rate)
{
    return 2.0 * std::sin(std::numbers::pi * hz / rate);
}

template class CThreeBandEQState<double>;
template class CThreeBandEQState<Double2>;
