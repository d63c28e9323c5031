#pragma once
#include <cstdint>

class CMachine;

// The studio-side holder of a machine (its container), as far as the
// framework needs to know it: the host routes parameter changes that a
// machine made by itself through its owner.
class CMachineOwner {
public:
    virtual void OwnerParameterChanged(CMachine* machine, int32_t index, double value) = 0;

protected:
    ~CMachineOwner() = default;
};
