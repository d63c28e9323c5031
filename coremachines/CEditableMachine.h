#pragma once
// A core machine with its editor: the machine's type makes this instead of
// the bare machine, so the DSP classes know nothing of editors. The editor
// hears of every parameter change, whoever makes it.
#include "coremachines/CCoreEditor.h"
#include "framework/CMachine.h"

template <typename Machine, CoreEditorKind Kind>
class CEditableMachine : public Machine {
public:
    using Machine::Machine;
    ~CEditableMachine() override { editor.Close(this); }

    bool GetGUIRect(int32_t* top, int32_t* left, int32_t* right, int32_t* bottom) override
    {
        int32_t width = 0, height = 0;
        if (!CoreEditorSize(Kind, &width, &height))
            return false;
        *top = 0;
        *left = 0;
        *right = width;
        *bottom = height;
        return true;
    }
    // Closes an open editor, then makes a new one.
    CControl* CreateGUI(CControl* parent) override { return editor.Open(Kind, this, parent); }
    void ShowGUI() override
    {
        Machine::ShowGUI();
        editor.Show(true);
    }
    void HideGUI() override
    {
        editor.Show(false);
        Machine::HideGUI();
    }
    void SetParameter(int32_t index, double value) override
    {
        Machine::SetParameter(index, value);
        editor.Notify(index);
    }

    CCoreEditor* Editor() const { return editor.Get(); }

private:
    CCoreEditorSlot editor;
};
