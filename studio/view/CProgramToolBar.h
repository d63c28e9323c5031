#pragma once
#include "ui/CToolBar.h"

class CComboBox;
class CDefaultGUI;
class CMachineContainer;
class CStudio;

// The program selector above a default editor: "Program" and the combo
// "ProgramCombo" with the machine's program names. Choosing one sets the
// machine's program and reads every row of the editor again.
class CProgramToolBar : public CToolBar {
public:
    static constexpr int32_t kWidth = 256;
    static constexpr int32_t kHeight = 24;

    CProgramToolBar(CControl* parent, CStudio* studio, CMachineContainer* container, CDefaultGUI* editor, int32_t x,
                    int32_t y);

    // Refills the combo from the machine and selects its current program.
    void Fill();
    CComboBox* GetCombo() const { return combo; }
    void ComboSelectionChanged(CComboBox* changed) override;

private:
    CStudio* studio;
    CMachineContainer* container;
    CDefaultGUI* editor;
    CComboBox* combo;
};
