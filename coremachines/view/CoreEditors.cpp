#include "coremachines/view/CoreEditors.h"
#include "coremachines/CCoreEditor.h"
#include "coremachines/view/CDizodirEzavGUI.h"
#include "coremachines/view/CDrumKitGUI.h"
#include "coremachines/view/CDudeRiviGUI.h"
#include "coremachines/view/CMixerGUI.h"
#include "coremachines/view/CViziRavezFilterGUI.h"
#include "coremachines/view/CWaveShaperGUI.h"

void RegisterCoreEditors()
{
    using Shaper = CWaveShaperGUI;
    SetCoreEditorFactory(CoreEditorKind::Vorize, &CreateVorizeEditor, Shaper::kWidth, Shaper::kHeight);
    SetCoreEditorFactory(CoreEditorKind::Distort, &CreateDistortEditor, Shaper::kWidth, Shaper::kHeight);
    SetCoreEditorFactory(CoreEditorKind::DudeRivi, &CreateDudeRiviEditor, CDudeRiviGUI::kWidth, CDudeRiviGUI::kHeight);
    SetCoreEditorFactory(CoreEditorKind::DrumKit, &CreateDrumKitEditor, CDrumKitGUI::kWidth, CDrumKitGUI::kHeight);
    SetCoreEditorFactory(CoreEditorKind::Reverb, &CreateDizodirEzavEditor, CDizodirEzavGUI::kWidth,
                         CDizodirEzavGUI::kHeight);
    SetCoreEditorFactory(CoreEditorKind::Filter, &CreateViziRavezEditor, CViziRavezFilterGUI::kWidth,
                         CViziRavezFilterGUI::kHeight);
    SetCoreEditorFactory(CoreEditorKind::Mixer, &CreateMixerEditor, CMixerGUI::kWidth, CMixerGUI::kHeight);
}
