#pragma once
// The discrete Fourier transform used to build the band-limited step tables:
// a radix-2 fast transform for power-of-two lengths, the direct sum
// otherwise. The inverse divides by the length.
#include <complex>
#include <vector>

void Dft(std::vector<std::complex<double>>& data, bool inverse);
