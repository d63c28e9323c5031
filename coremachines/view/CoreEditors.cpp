#include "coremachines/view/CoreEditors.h"
#include "coremachines/CCoreEditor.h"
#include "coremachines/view/CDudeRiviGUI.h"
#include "coremachines/view/CWaveShaperGUI.h"

void RegisterCoreEditors()
{
    SetCoreEditorFactory(CoreEditorKind::Vorize, &CreateVorizeEditor);
    SetCoreEditorFactory(CoreEditorKind::Distort, &CreateDistortEditor);
    SetCoreEditorFactory(CoreEditorKind::DudeRivi, &CreateDudeRiviEditor);
}
