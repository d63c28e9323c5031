#include "studio/CVSTEditorWindows.h"
#include <atomic>

namespace {
std::atomic<CVSTEditorWindows*> editorWindows{nullptr};
}

void SetVSTEditorWindows(CVSTEditorWindows* windows)
{
    editorWindows.store(windows);
}

CVSTEditorWindows* GetVSTEditorWindows()
{
    return editorWindows.load();
}

bool CanOpenVSTEditors()
{
    CVSTEditorWindows* windows = editorWindows.load();
    return windows && windows->CanOpenEditors();
}
