#include "ui/ParameterBinding.h"
#include "framework/CMachine.h"
#include "framework/Errors.h"
#include "ui/CLiteContainer.h"
#include "ui/CLiteControl.h"

double CParameterBinding::Read() const
{
    CLockGuard<CMachine> lock(*machine);
    return machine->GetParameter(index);
}

std::string CParameterBinding::TipText(double value) const
{
    char name[kMachineTextSize] = {};
    char display[kMachineTextSize] = {};
    machine->GetParameterName(index, name);
    machine->GetParameterDisplayValue(index, value, display);
    name[kMachineTextSize - 1] = display[kMachineTextSize - 1] = '\0';
    return FormatText("%s %s", name, display);
}

void CParameterBinding::ShowTip(CLiteControl* child, double value) const
{
    if (!IsBound() || !child->Container())
        return;
    CLockGuard<CMachine> lock(*machine);
    child->Container()->ShowValueTip(child, TipText(value).c_str());
}

void CParameterBinding::Apply(CLiteControl* child, double value, double& stored) const
{
    if (!IsBound()) {
        CLiteControl::ContainerLock lock(*child);
        stored = value;
        return;
    }
    CLockGuard<CMachine> machineLock(*machine);
    CLiteControl::ContainerLock containerLock(*child);
    if (CLiteContainer* container = child->Container())
        container->ShowValueTip(child, TipText(value).c_str());
    machine->SetParameterAutomated(index, value);
    stored = value;
}
