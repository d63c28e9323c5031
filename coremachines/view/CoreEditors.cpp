#include "coremachines/view/CoreEditors.h"
#include "coremachines/CCoreEditor.h"
#include "coremachines/view/CDudeRiviGUI.h"
#include "coremachines/view/CWaveShaperGUI.h"

void RegisterCoreEditors()
{
    SetCoreEditorFactory(CoreEditorKind::Vorize, &CreateVorizeEditor, CWaveShaperGUI::kWidth, CWaveShaperGUI::kHeight);
    SetCoreEditorFactory(CoreEditorKind::Distort, &CreateDistortEditor, CWaveShaperGUI::kWidth,
                         CWaveShaperGUI::kHeight);
    SetCoreEditorFactory(CoreEditorKind::DudeRivi, &CreateDudeRiviEditor, CDudeRiviGUI::kWidth, CDudeRiviGUI::kHeight);
}
