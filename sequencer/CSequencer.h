#pragma once
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "studio/CProjectBlocks.h"
#include "studio/CStudioSequencer.h"

class CStudio;

// The pattern editor and the sequence editor of one studio, as the render
// cycle and the project file see them. Construction plugs them into the
// studio (sequencer and observer); destruction unplugs them.
class CSequencer final : public CStudioSequencer, public CProjectBlocks {
public:
    explicit CSequencer(CStudio& studio);
    ~CSequencer();
    CSequencer(const CSequencer&) = delete;
    CSequencer& operator=(const CSequencer&) = delete;

    CPatternEditor& Patterns() { return patternEditor; }
    CSequenceEditor& Song() { return sequenceEditor; }

    // CStudioSequencer
    CHostMutex& PatternLock() override { return patternEditor; }
    void PatternStep() override { patternEditor.PatternStep(); }
    void SongStep() override { sequenceEditor.SongStep(); }
    // Patterns read the clock from the host at every block: nothing to copy.
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t) override {}
    void ClearSequence() override { sequenceEditor.Clear(); }
    void ClearPatterns() override { patternEditor.ClearPatterns(); }

    // CProjectBlocks
    void WritePatternBlock(int32_t machineNumber, CByteWriter& out) override;
    void WriteSequenceBlock(CByteWriter& out) override;
    void ReadPatternBlock(CByteReader& in) override;
    void ReadSequenceBlock(CByteReader& in, bool machinesMissing) override;

private:
    CStudio& studio;
    CPatternEditor patternEditor;
    CSequenceEditor sequenceEditor;
};
