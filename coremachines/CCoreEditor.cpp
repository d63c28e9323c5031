#include "coremachines/CCoreEditor.h"
#include "framework/CMachine.h"
#include "framework/CMutex.h"

namespace {
std::atomic<CoreEditorFactory> factories[static_cast<int32_t>(CoreEditorKind::Count)];
} // namespace

void SetCoreEditorFactory(CoreEditorKind kind, CoreEditorFactory factory)
{
    factories[static_cast<int32_t>(kind)].store(factory);
}

bool HasCoreEditor(CoreEditorKind kind)
{
    return factories[static_cast<int32_t>(kind)].load() != nullptr;
}

CCoreEditor* CreateCoreEditor(CoreEditorKind kind, CMachine* machine, CControl* parent)
{
    const CoreEditorFactory factory = factories[static_cast<int32_t>(kind)].load();
    return factory ? factory(machine, parent) : nullptr;
}

CCoreEditorSlot::~CCoreEditorSlot()
{
    delete editor.exchange(nullptr);
}

CControl* CCoreEditorSlot::Open(CoreEditorKind kind, CMachine* machine, CControl* parent)
{
    Close(machine);
    CCoreEditor* made = CreateCoreEditor(kind, machine, parent);
    if (!made)
        return nullptr;
    CLockGuard<CMachine> lock(*machine);
    editor.store(made, std::memory_order_release);
    return made->Control();
}

void CCoreEditorSlot::Close(CMachine* machine)
{
    CCoreEditor* old;
    {
        CLockGuard<CMachine> lock(*machine);
        old = editor.exchange(nullptr, std::memory_order_acq_rel);
    }
    delete old;
}
