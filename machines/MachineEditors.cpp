#include "machines/MachineEditors.h"
#include <atomic>

namespace {
std::atomic<MachineEditors::Factory> factory{nullptr};
}

void MachineEditors::SetFactory(Factory newFactory)
{
    factory.store(newFactory);
}

CControl* MachineEditors::Create(CMachine* machine, CControl* parent)
{
    Factory make = factory.load();
    return make ? make(machine, parent) : nullptr;
}
