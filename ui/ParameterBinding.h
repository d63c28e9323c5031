#pragma once
#include <cstdint>
#include <string>

class CLiteControl;
class CMachine;

// A lightweight control's link to a machine parameter (or to none). Lock
// order: the machine first, then the control's container.
class CParameterBinding {
public:
    CParameterBinding(CMachine* machine, int32_t index) : machine(machine), index(index) {}

    bool IsBound() const { return machine != nullptr && index >= 0; }
    // The parameter's value, read under the machine's lock.
    double Read() const;
    // The value tip "<name> <display value>"; the caller holds the machine lock.
    std::string TipText(double value) const;
    // Under the machine's lock, shows the tip for the value.
    void ShowTip(CLiteControl* child, double value) const;
    // Stores a dragged value. Bound: with the machine and then the container
    // locked, updates the tip, automates the parameter and stores the value
    // in `stored`. Unbound: stores it under the container's lock.
    void Apply(CLiteControl* child, double value, double& stored) const;

private:
    CMachine* machine;
    int32_t index;
};
