#include "studio/RenderEntry.h"
#include "studio/CStudio.h"
#include <atomic>

namespace {
std::atomic<CStudio*> renderStudio{nullptr};
}

void SetRenderStudio(CStudio* studio)
{
    renderStudio.store(studio, std::memory_order_release);
}

CStudio* GetRenderStudio()
{
    return renderStudio.load(std::memory_order_acquire);
}

void RenderEntry(int32_t channels, double** buffers, int32_t frames)
{
    CStudio* studio = GetRenderStudio();
    if (!studio)
        return;
    CLockGuard lock(*studio);
    studio->RenderBlock(channels, buffers, frames);
}
