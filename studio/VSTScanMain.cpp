// velmora-vstscan: learns what VST plug-in files offer, in a process of its
// own, so that a plug-in that crashes or hangs while it is being loaded
// cannot take the studio down. Reads one escaped path per line from the
// studio and answers one scan record per line.
#include "platform/OsCpu.h"
#include "platform/OsProcess.h"
#include "studio/CVSTAdapterInfo.h"
#include "studio/CVelmHost.h"
#include <cstdlib>
#include <string>

namespace {

constexpr int32_t kScanSampleRate = 44100;
constexpr int32_t kScanBlockSize = 256;

} // namespace

int main()
{
    CVelmHost host(kScanSampleRate, kScanBlockSize, platform::DetectFeatureFlags());
    std::string request;
    while (platform::ReadParentLine(&request)) {
        std::string path;
        VSTScanRecord record;
        if (!UnescapeText(request, &path)) {
            record.status = VSTScanStatus::NotLoadable;
        } else if (CVSTAdapterInfo* info = CVSTAdapterInfo::Probe(&host, path, &record)) {
            info->Release();
        }
        if (!platform::WriteParentLine(FormatScanRecord(record)))
            break;
    }
    // Plug-ins' own exit handlers have nothing to add to the answers.
    std::_Exit(0);
}
