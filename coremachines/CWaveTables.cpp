#include "coremachines/CWaveTables.h"
#include "framework/CHost.h"
#include "framework/Errors.h"
#include "platform/OsResources.h"
#include <cmath>
#include <numbers>

namespace {

CStepTable LoadStoredStep()
{
    const unsigned char* data = nullptr;
    size_t size = 0;
    CStepTable table;
    if (platform::FindResource("BINARY", CWaveTables::kStepTableResource, &data, &size) &&
        CStepTable::Parse(data, size, &table))
        return table;
    // A library built without its table still plays, after a second or two
    // of computing it here.
    Trace("Step Table Resource %u Missing, Generating It", CWaveTables::kStepTableResource);
    return CStepTable::Generate(32, 256, true);
}

} // namespace

CWaveTables::CWaveTables(void* module, CHost* host)
    : CLibraryContext(module, host, host->GetCPUFlags()), step(LoadStoredStep()),
      impulse(CStepTable::Generate(8, 16, false)), integratedStep(step.Integrated())
{
    for (int32_t k = 0; k < kTableSize; ++k) {
        const double h = static_cast<double>(k) / kTableSize;
        const double angle = 2.0 * std::numbers::pi * h;
        sine[k] = std::sin(angle);
        cosine[k] = std::cos(angle);
        triangle[k] = h < 0.5 ? 1.0 - 4.0 * std::abs(h - 0.25) : -(1.0 - 4.0 * std::abs(h - 0.75));
        saw[k] = 1.0 - 2.0 * h;
        square[k] = h < 0.5 ? 1.0 : -1.0;
    }
}
