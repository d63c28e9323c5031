#include "app/CStudioSession.h"
#include "platform/OsCpu.h"
#include "sequencer/Pattern.h"
#include "studio/CProjectFile.h"

CStudioSession::CStudioSession(int32_t sampleRate, int32_t blockSize, const TypeRegistration& registerTypes)
    : host(sampleRate, blockSize, platform::DetectFeatureFlags()), studio(&host), sequencer(studio)
{
    registerTypes(host);
}

void CStudioSession::NewProject()
{
    studio.NewProject();
    information.clear();
}

int32_t CStudioSession::LoadProject(const std::string& path)
{
    studio.Clear();
    information.clear();
    CProjectFile file(studio, sequencer, information);
    file.Load(path);
    return file.GetMissingMachineCount();
}

void CStudioSession::SaveProject(const std::string& path)
{
    CProjectFile(studio, sequencer, information).Save(path);
}

int64_t CStudioSession::SongFrames()
{
    CLockGuard lock(sequencer.PatternLock());
    return static_cast<int64_t>(kTicksPerLengthUnit) * sequencer.Song().GetSequenceLength() *
           host.GetSamplesPerTick();
}
