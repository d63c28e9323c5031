#pragma once

// The cable volume slider: position p in 0..1 stands for (p - 1) * 90 dB,
// with decibels on the power scale (gain = 10^(dB/10)).
double CableGainToSliderPosition(double gain);
double SliderPositionToCableGain(double position);
