#pragma once
// The seam between the machines (free of the user interface) and their
// editors in machines/view: the program registers one factory at start-up;
// without it (headless runs, tests of the models) machines have no editor.
class CControl;
class CMachine;

namespace MachineEditors {
using Factory = CControl* (*)(CMachine* machine, CControl* parent);
void SetFactory(Factory factory);
CControl* Create(CMachine* machine, CControl* parent);
} // namespace MachineEditors
