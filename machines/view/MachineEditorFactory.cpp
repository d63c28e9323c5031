#include "machines/view/MachineEditorFactory.h"
#include "machines/CArpeggiator.h"
#include "machines/CControlChangeMapper.h"
#include "machines/CMIDIInput.h"
#include "machines/CMIDIOutput.h"
#include "machines/MachineEditors.h"
#include "machines/view/CArpeggiatorGUI.h"
#include "machines/view/CControlChangeMapperGUI.h"
#include "machines/view/CMIDIMachineGUI.h"

namespace {
CControl* MakeEditor(CMachine* machine, CControl* parent)
{
    if (auto* arpeggiator = dynamic_cast<CArpeggiator*>(machine))
        return new CArpeggiatorGUI(parent, arpeggiator);
    if (auto* mapper = dynamic_cast<CControlChangeMapper*>(machine))
        return new CControlChangeMapperGUI(parent, mapper);
    if (auto* input = dynamic_cast<CMIDIInput*>(machine))
        return new CMIDIInputGUI(parent, input);
    if (auto* output = dynamic_cast<CMIDIOutput*>(machine))
        return new CMIDIOutputGUI(parent, output);
    return nullptr;
}
} // namespace

void RegisterMachineEditors()
{
    MachineEditors::SetFactory(MakeEditor);
}
