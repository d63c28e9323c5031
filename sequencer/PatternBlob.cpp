// The pattern block of a project file: the patterns of one machine.
#include "framework/ByteStream.h"
#include "framework/CMachine.h"
#include "framework/CPort.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/Pattern.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr size_t kNameBytes = 1024;
constexpr size_t kRecordHeadBytes = 1048; // number, length, name, counts, machine, port
constexpr size_t kNoteBytes = 12;         // start, length, pitch
constexpr size_t kTrackHeadBytes = 8;     // property, point count
constexpr size_t kPointBytes = 6;         // value, set flag, padding
constexpr int32_t kHighestPitch = 127;

// The pattern's port: the record's machine and port, if both exist and the
// port takes control events.
CConnector* FindTarget(CStudio& studio, int32_t machineNumber, int32_t portIndex)
{
    CMachineContainer* machine = studio.FindByNumber(machineNumber);
    CConnector* port = machine ? machine->GetConnector(portIndex) : nullptr;
    return IsControlInput(port) ? port : nullptr;
}

// Points are edited in 0 .. 1; a value no editor could make is clamped, and
// one that is not a number is dropped.
ControlPoint StoredPoint(bool set, float value)
{
    if (!std::isfinite(value))
        return ControlPoint{};
    return ControlPoint{set, std::clamp(value, 0.0f, 1.0f)};
}

void WritePattern(CByteWriter& out, const Pattern& pattern, int32_t machineNumber)
{
    out.Int32(static_cast<int32_t>(pattern.number));
    out.Int32(pattern.GetLength());
    out.FixedText(pattern.GetName().c_str(), kNameBytes);
    out.Int32(pattern.GetNoteCount());
    out.Int32(pattern.GetControlTrackCount());
    out.Int32(machineNumber);
    out.Int32(pattern.GetTarget()->GetPort()->portIndex);
    for (PatternNote* note = pattern.FirstNote(); note; note = note->NextNode()) {
        out.Int32(note->start);
        out.Int32(note->length);
        out.Int32(note->pitch);
    }
    for (int32_t t = 0; t < pattern.GetControlTrackCount(); ++t) {
        const ControlTrack* track = pattern.GetControlTrack(t);
        out.Int32(track->property);
        out.Int32(track->GetPointCount());
        for (int32_t i = 0; i < track->GetPointCount(); ++i) {
            out.Float(track->Point(i).value);
            out.UInt8(track->Point(i).set ? 1 : 0);
            out.UInt8(0);
        }
    }
}

// One record; raises CCorruptData before the pattern joins any list.
std::unique_ptr<Pattern> ReadPattern(CByteReader& in, CStudio& studio)
{
    if (in.Remaining() < kRecordHeadBytes)
        throw CCorruptData();
    const auto number = static_cast<uint32_t>(in.Int32());
    const int32_t length = in.Int32();
    const std::string name = in.FixedText(kNameBytes);
    const int32_t noteCount = in.Int32();
    const int32_t trackCount = in.Int32();
    const int32_t machineNumber = in.Int32();
    const int32_t portIndex = in.Int32();
    // A length outside the editor's range would ask for any amount of
    // memory for its tracks.
    if (length < kMinimumPatternLength || length > kMaximumPatternLength)
        throw CCorruptData();
    if (noteCount < 0 || static_cast<size_t>(noteCount) > in.Remaining() / kNoteBytes)
        throw CCorruptData();

    auto pattern = std::make_unique<Pattern>(length, name.c_str(), FindTarget(studio, machineNumber, portIndex));
    pattern->number = number;
    const int32_t ticks = pattern->GetTickCount();
    for (int32_t n = 0; n < noteCount; ++n) {
        const int32_t start = in.Int32();
        const int32_t noteLength = in.Int32();
        const int32_t pitch = in.Int32();
        // Notes the editor could never have placed are left out, so that
        // every note lies inside its pattern.
        if (start >= 0 && noteLength >= 1 && start < ticks && noteLength <= ticks - start && pitch >= 0 &&
            pitch <= kHighestPitch)
            pattern->AddNote(start, noteLength, pitch);
    }
    if (trackCount < 0 || static_cast<size_t>(trackCount) > in.Remaining() / kTrackHeadBytes)
        throw CCorruptData();
    for (int32_t t = 0; t < trackCount; ++t) {
        const int32_t property = in.Int32();
        const int32_t pointCount = in.Count(kPointBytes);
        ControlTrack* track = pattern->GetControlTrack(pattern->AddControlTrack(property));
        for (int32_t i = 0; i < pointCount; ++i) {
            const float value = in.Float();
            const uint8_t set = in.UInt8();
            in.UInt8();
            if (i < track->GetPointCount())
                track->Point(i) = StoredPoint(set != 0, value);
        }
    }
    return pattern;
}

} // namespace

void CPatternEditor::NumberPatterns()
{
    uint32_t number = 0;
    for (Pattern* pattern : patterns)
        pattern->number = number++;
}

void CPatternEditor::WritePatternBlock(int32_t machineNumber, CByteWriter& out)
{
    NumberPatterns();
    auto belongs = [&](const Pattern* pattern) {
        return pattern->GetTarget() && pattern->GetTarget()->GetPort()->owner->machineNumber == machineNumber;
    };
    int32_t count = 0;
    for (Pattern* pattern : patterns)
        count += belongs(pattern) ? 1 : 0;
    out.Int32(count);
    for (Pattern* pattern : patterns) {
        if (belongs(pattern))
            WritePattern(out, *pattern, machineNumber);
    }
}

void CPatternEditor::ReadPatternBlock(CByteReader& in)
{
    const int32_t count = in.Count(kRecordHeadBytes);
    for (int32_t i = 0; i < count; ++i)
        patterns.AddItem(ReadPattern(in, studio).release());
    Touch();
}
