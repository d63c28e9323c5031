#include "coremachines/CCoreEditor.h"
#include "framework/CMachine.h"
#include "framework/CMutex.h"

namespace {

// Installed once at library start, before any machine exists.
struct Entry {
    CoreEditorFactory factory = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};
Entry entries[static_cast<int32_t>(CoreEditorKind::Count)];

} // namespace

void SetCoreEditorFactory(CoreEditorKind kind, CoreEditorFactory factory, int32_t width, int32_t height)
{
    entries[static_cast<int32_t>(kind)] = {factory, width, height};
}

bool CoreEditorSize(CoreEditorKind kind, int32_t* width, int32_t* height)
{
    const Entry& entry = entries[static_cast<int32_t>(kind)];
    *width = entry.width;
    *height = entry.height;
    return entry.factory != nullptr;
}

CCoreEditor* CreateCoreEditor(CoreEditorKind kind, CMachine* machine, CControl* parent)
{
    const CoreEditorFactory factory = entries[static_cast<int32_t>(kind)].factory;
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
