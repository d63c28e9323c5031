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
