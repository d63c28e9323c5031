#include "sequencer/CSequencer.h"
#include "framework/CMutex.h"
#include "studio/CStudio.h"

CSequencer::CSequencer(CStudio& studio)
    : studio(studio), patternEditor(studio, sequenceEditor), sequenceEditor(patternEditor)
{
    CLockGuard lock(studio);
    studio.AddObserver(&patternEditor);
    studio.SetSequencer(this);
}

CSequencer::~CSequencer()
{
    CLockGuard lock(studio);
    studio.SetSequencer(nullptr);
    studio.RemoveObserver(&patternEditor);
}

void CSequencer::WritePatternBlock(int32_t machineNumber, CByteWriter& out)
{
    CLockGuard lock(patternEditor);
    patternEditor.WritePatternBlock(machineNumber, out);
}

void CSequencer::WriteSequenceBlock(CByteWriter& out)
{
    CLockGuard lock(patternEditor);
    patternEditor.NumberPatterns();
    sequenceEditor.WriteBlock(out);
}

void CSequencer::ReadPatternBlock(CByteReader& in)
{
    CLockGuard lock(patternEditor);
    patternEditor.ReadPatternBlock(in);
}

void CSequencer::ReadSequenceBlock(CByteReader& in, bool machinesMissing)
{
    CLockGuard lock(patternEditor);
    sequenceEditor.ReadBlock(in, machinesMissing);
}
