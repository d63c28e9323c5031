#pragma once
#include <cstdint>

class CStudio;

// The render callback handed to the output drivers: a plain function that
// renders one block of the registered studio into the channel buffers.
// Until a studio is registered (the application, its main window and the
// studio are not complete yet) it returns without writing anything.
void RenderEntry(int32_t channels, double** buffers, int32_t frames);

// Registers the studio that RenderEntry renders, or null for none. The
// application registers its studio once start-up has built it and removes it
// after the output has stopped, before the studio goes.
void SetRenderStudio(CStudio* studio);
CStudio* GetRenderStudio();

// Registers the studio with the render entry for its own lifetime.
class CRenderRegistration {
public:
    explicit CRenderRegistration(CStudio& studio) { SetRenderStudio(&studio); }
    ~CRenderRegistration() { SetRenderStudio(nullptr); }
    CRenderRegistration(const CRenderRegistration&) = delete;
    CRenderRegistration& operator=(const CRenderRegistration&) = delete;
};
