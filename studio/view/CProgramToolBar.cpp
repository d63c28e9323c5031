#include "studio/view/CProgramToolBar.h"
#include "framework/CMachine.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include "studio/view/CDefaultGUI.h"
#include "studio/view/GuardedCall.h"
#include "ui/CComboBox.h"
#include <QWidget>

CProgramToolBar::CProgramToolBar(CControl* parent, CStudio* studio, CMachineContainer* container, CDefaultGUI* editor,
                                 int32_t x, int32_t y)
    : CToolBar(parent, x, y, kWidth, kHeight), studio(studio), container(container), editor(editor)
{
    AddLabel("Program", 60);
    combo = AddComboBox(180, "Select Program");
    combo->Window()->setObjectName("ProgramCombo");
    Fill();
}

void CProgramToolBar::Fill()
{
    combo->ResetContent();
    CMachine* machine = container->GetMachine();
    int32_t current = -1;
    GuardedCall(container->GetName(), "GetProgramNameIndexed", [&] {
        CLockGuard lock(*machine);
        for (int32_t i = 0; i < machine->programCount; ++i) {
            char name[kMachineTextSize] = {};
            machine->GetProgramNameIndexed(i, name);
            name[kMachineTextSize - 1] = 0;
            combo->AddString(name);
        }
        current = machine->GetProgram();
    });
    if (current >= 0 && current < combo->GetCount())
        combo->SetCurSel(current);
}

void CProgramToolBar::ComboSelectionChanged(CComboBox* changed)
{
    if (changed != combo)
        return CToolBar::ComboSelectionChanged(changed);
    int32_t index = combo->GetCurSel();
    if (index < 0)
        return;
    CMachine* machine = container->GetMachine();
    GuardedCall(container->GetName(), "SetProgram", [&] {
        CLockGuard lock(*machine);
        machine->SetProgram(index);
    });
    studio->MarkChanged();
    if (editor)
        editor->RefreshAll();
}
