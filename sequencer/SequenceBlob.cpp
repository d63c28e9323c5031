// The sequence block of a project file.
#include "framework/ByteStream.h"
#include "framework/CPort.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "studio/CConnector.h"
#include <unordered_map>

namespace {
constexpr size_t kEntryBytes = 8;     // start, pattern number
constexpr size_t kTrackHeadBytes = 8; // port index, entry count
} // namespace

void CSequenceEditor::WriteBlock(CByteWriter& out) const
{
    out.Int32(sequence.GetLength());
    out.Int32(sequence.GetTrackCount());
    for (int32_t t = 0; t < sequence.GetTrackCount(); ++t) {
        SequenceTrack* track = sequence.GetTrack(t);
        out.Int32(track->GetPort()->GetPort()->portIndex);
        out.Int32(track->GetEntryCount());
        for (int32_t e = 0; e < track->GetEntryCount(); ++e) {
            SequenceEntry* entry = track->GetEntry(e);
            out.Int32(entry->start);
            out.Int32(static_cast<int32_t>(entry->pattern->number));
        }
    }
}

void CSequenceEditor::ReadBlock(CByteReader& in, bool byPatternPort)
{
    Touch();
    sequence.SetLength(in.Int32());
    // The first pattern of each number, as the file's numbers name them.
    std::unordered_map<uint32_t, Pattern*> byNumber;
    for (Pattern* pattern : patterns.GetPatterns())
        byNumber.emplace(pattern->number, pattern);

    const int32_t trackCount = in.Count(kTrackHeadBytes);
    for (int32_t t = 0; t < trackCount; ++t) {
        in.Int32(); // the port index is not used for matching
        const int32_t entryCount = in.Count(kEntryBytes);
        SequenceTrack* stored = t < sequence.GetTrackCount() ? sequence.GetTrack(t) : nullptr;
        for (int32_t e = 0; e < entryCount; ++e) {
            const int32_t start = in.Int32();
            const auto number = static_cast<uint32_t>(in.Int32());
            auto found = byNumber.find(number);
            if (found == byNumber.end())
                continue;
            // A pattern without a port plays nowhere and is not saved again:
            // its entries would vanish at the next save.
            Pattern* pattern = found->second;
            if (!pattern->GetTarget())
                continue;
            SequenceTrack* track = byPatternPort ? sequence.FindTrack(pattern->GetTarget()) : stored;
            if (track)
                sequence.Place(track, pattern, start);
        }
    }
}
