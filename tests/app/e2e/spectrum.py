# The pitch measure the end-to-end tests share.
import math


def hann(samples):
    """The samples without their DC offset, under a Hann window, so that
    leakage does not pull a peak."""
    mean = sum(samples) / len(samples)
    n = len(samples)
    return [(x - mean) * (0.5 - 0.5 * math.cos(2 * math.pi * i / n)) for i, x in enumerate(samples)]


def power(window, hz, rate=44100):
    """The window's power at one frequency."""
    w = 2 * math.pi * hz / rate
    re = sum(x * math.cos(w * n) for n, x in enumerate(window))
    im = sum(x * math.sin(w * n) for n, x in enumerate(window))
    return re * re + im * im
