#pragma once
#include <cstdint>

class CByteReader;
class CByteWriter;

// The parts of a project file that the sequencer writes and reads: one
// pattern block per machine and the sequence block. The project file calls
// them with the studio lock held; the sequencer takes its own lock.
class CProjectBlocks {
public:
    virtual void WritePatternBlock(int32_t machineNumber, CByteWriter& out) = 0;
    virtual void WriteSequenceBlock(CByteWriter& out) = 0;
    // Both raise CCorruptData on damaged data, keeping what was read before.
    virtual void ReadPatternBlock(CByteReader& in) = 0;
    // `machinesMissing`: some machines of the file could not be loaded, so
    // stored track positions no longer line up with the sequence's tracks.
    virtual void ReadSequenceBlock(CByteReader& in, bool machinesMissing) = 0;

protected:
    ~CProjectBlocks() = default;
};
