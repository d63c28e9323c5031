#include "sequencer/CPatternEditor.h"
#include "framework/CMachine.h"
#include "framework/CMutex.h"
#include "framework/CPort.h"
#include "framework/Errors.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include <algorithm>
#include <cstring>

namespace {

// A pattern name must fit the 1024-byte field of a project file.
constexpr size_t kMaximumNameLength = 1023;
constexpr int32_t kChromaticKeys = 128;

bool HasControlInput(const CMachineContainer* container)
{
    for (int32_t i = 0; i < container->GetConnectorCount(); ++i) {
        if (IsControlInput(container->GetConnector(i)))
            return true;
    }
    return false;
}

CMachineContainer* OwnerOf(const Pattern* pattern)
{
    return pattern->GetTarget() ? pattern->GetTarget()->GetContainer() : nullptr;
}

} // namespace

bool IsControlInput(const CConnector* connector)
{
    return connector && connector->GetPort()->Has(PORT_CONTROL | PORT_INPUT);
}

CPatternEditor::CPatternEditor(CStudio& studio, CSequenceEditor& sequence)
    : studio(studio), sequence(sequence), patternLength(kDefaultPatternLength)
{
}

CPatternEditor::~CPatternEditor()
{
    patterns.DeleteAll();
}

CVelmHost& CPatternEditor::GetHost() const
{
    return *studio.GetHost();
}

void CPatternEditor::MarkChanged()
{
    studio.MarkChanged();
    Touch();
}

std::vector<CMachineContainer*> CPatternEditor::MachineChoices() const
{
    std::vector<CMachineContainer*> machines;
    for (CMachineContainer* container = studio.GetFirst(); container; container = container->GetNext()) {
        if (HasControlInput(container))
            machines.push_back(container);
    }
    return machines;
}

std::vector<CConnector*> CPatternEditor::PortChoices() const
{
    std::vector<CConnector*> ports;
    if (!currentMachine)
        return ports;
    for (int32_t i = 0; i < currentMachine->GetConnectorCount(); ++i) {
        if (IsControlInput(currentMachine->GetConnector(i)))
            ports.push_back(currentMachine->GetConnector(i));
    }
    return ports;
}

std::vector<PropertyChoice> CPatternEditor::PropertyChoices() const
{
    std::vector<PropertyChoice> choices;
    if (!currentPort)
        return choices;
    choices.push_back({ControlTrack::kVelocity, "Velocity"});
    CMachine* machine = currentPort->GetPort()->owner;
    for (int32_t i = 0; i < machine->parameterCount; ++i) {
        char text[kMachineTextSize] = {};
        machine->GetParameterName(i, text);
        text[kMachineTextSize - 1] = '\0';
        choices.push_back({i, text[0] ? std::string(text) : FormatText("Property %i", i)});
    }
    return choices;
}

std::vector<Pattern*> CPatternEditor::PatternChoices() const
{
    std::vector<Pattern*> choices;
    if (!currentMachine)
        return choices;
    for (Pattern* pattern : patterns) {
        if (OwnerOf(pattern) == currentMachine)
            choices.push_back(pattern);
    }
    return choices;
}

void CPatternEditor::ChooseMachine(CMachineContainer* machine)
{
    CLockGuard lock(*this);
    currentMachine = machine == currentMachine ? nullptr : machine;
    std::vector<CConnector*> ports = PortChoices();
    currentPort = ports.empty() ? nullptr : ports.front();
    std::vector<Pattern*> choices = PatternChoices();
    SelectPattern(choices.empty() ? nullptr : choices.front());
    Touch();
}

void CPatternEditor::ChoosePort(CConnector* port)
{
    CLockGuard lock(*this);
    if (!IsControlInput(port) || port->GetContainer() != currentMachine)
        return;
    currentPort = port;
    if (currentPattern) {
        currentPattern->SetTarget(port);
        MarkChanged();
    }
    Touch();
}

void CPatternEditor::ChoosePattern(Pattern* pattern)
{
    CLockGuard lock(*this);
    SelectPattern(pattern);
    Touch();
}

void CPatternEditor::SelectPattern(Pattern* pattern)
{
    const bool playing = IsPlayDown();
    if (playing && currentPattern)
        currentPattern->Pause(true);
    currentPattern = pattern;
    if (!pattern)
        return;
    patternLength = pattern->GetLength();
    if (playing) {
        pattern->SetLoop(IsLoopDown());
        pattern->Start(true);
    }
}

std::string CPatternEditor::NewPatternName() const
{
    std::vector<Pattern*> taken = PatternChoices();
    for (int32_t i = 1;; ++i) {
        std::string name = FormatText("Pattern %i", i);
        bool used = std::any_of(taken.begin(), taken.end(), [&](const Pattern* p) { return p->GetName() == name; });
        if (!used)
            return name;
    }
}

Pattern* CPatternEditor::AddPattern()
{
    CLockGuard lock(*this);
    if (!currentMachine || !currentPort)
        return nullptr;
    auto* pattern = new Pattern(patternLength, NewPatternName().c_str(), currentPort);
    patterns.AddItem(pattern);
    SelectPattern(pattern);
    sequence.PatternAdded(pattern);
    MarkChanged();
    return pattern;
}

void CPatternEditor::RemoveFromList(Pattern* pattern)
{
    patterns.Remove(pattern);
    if (currentPattern == pattern)
        currentPattern = nullptr;
    sequence.PatternRemoved(pattern);
    delete pattern;
}

void CPatternEditor::RemovePattern()
{
    CLockGuard lock(*this);
    Pattern* removed = currentPattern;
    if (!removed)
        return;
    std::vector<Pattern*> before = PatternChoices();
    const auto position = std::find(before.begin(), before.end(), removed) - before.begin();
    RemoveFromList(removed);
    MarkChanged();
    std::vector<Pattern*> after = PatternChoices();
    if (!after.empty())
        SelectPattern(after[std::min(static_cast<size_t>(position), after.size() - 1)]);
}

void CPatternEditor::RenamePattern(const char* name)
{
    CLockGuard lock(*this);
    if (!currentPattern || !name)
        return;
    std::string text(name, strnlen(name, kMaximumNameLength));
    if (text == currentPattern->GetName())
        return;
    currentPattern->SetName(text.c_str());
    sequence.PatternRenamed(currentPattern);
    MarkChanged();
}

void CPatternEditor::SetPatternLength(int32_t length)
{
    CLockGuard lock(*this);
    patternLength = std::clamp(length, kMinimumPatternLength, kMaximumPatternLength);
    if (!currentPattern)
        return;
    currentPattern->SetLength(patternLength);
    sequence.PatternLengthChanged(currentPattern);
    MarkChanged();
}

void CPatternEditor::AddControlTrack(int32_t property)
{
    CLockGuard lock(*this);
    if (currentPattern && !currentPattern->FindControlTrack(property)) {
        currentPattern->AddControlTrack(property);
        MarkChanged();
    }
}

void CPatternEditor::RemoveControlTrack(int32_t property)
{
    CLockGuard lock(*this);
    if (!currentPattern)
        return;
    for (int32_t i = 0; i < currentPattern->GetControlTrackCount(); ++i) {
        if (currentPattern->GetControlTrack(i)->property == property) {
            currentPattern->RemoveControlTrack(i);
            MarkChanged();
            return;
        }
    }
}

void CPatternEditor::SetControlPoint(int32_t track, int32_t tick, float value)
{
    CLockGuard lock(*this);
    if (!currentPattern || track < 0 || track >= currentPattern->GetControlTrackCount())
        return;
    ControlTrack* lane = currentPattern->GetControlTrack(track);
    if (tick >= 0 && tick < lane->GetPointCount()) {
        lane->Point(tick) = ControlPoint{true, std::clamp(value, 0.0f, 1.0f)};
        MarkChanged();
    }
}

void CPatternEditor::ClearControlPoint(int32_t track, int32_t tick)
{
    CLockGuard lock(*this);
    if (!currentPattern || track < 0 || track >= currentPattern->GetControlTrackCount())
        return;
    ControlTrack* lane = currentPattern->GetControlTrack(track);
    if (tick >= 0 && tick < lane->GetPointCount()) {
        lane->Point(tick) = ControlPoint{};
        MarkChanged();
    }
}

int32_t CPatternEditor::NoteEventForm() const
{
    CConnector* target = currentPattern ? currentPattern->GetTarget() : nullptr;
    return target ? target->GetPort()->owner->noteEventForm : 0;
}

int32_t CPatternEditor::GetKeyCount() const
{
    return HasNamedKeys() ? NoteEventForm() : kChromaticKeys;
}

bool CPatternEditor::CanPlaceNote(int32_t start, int32_t length, int32_t key, const PatternNote* ignore) const
{
    if (!currentPattern || key < 0 || key >= GetKeyCount() || length < 1)
        return false;
    const int32_t ticks = currentPattern->GetTickCount();
    if (start < 0 || start >= ticks || length > ticks - start)
        return false;
    for (PatternNote* note = currentPattern->FirstNote(); note; note = note->NextNode()) {
        if (note != ignore && note->pitch == key && note->start < start + length && start < note->End())
            return false;
    }
    return true;
}

void CPatternEditor::SetPlay(bool down)
{
    CLockGuard lock(*this);
    playDown.store(down, std::memory_order_release);
    if (!currentPattern)
        return;
    if (down) {
        currentPattern->SetLoop(IsLoopDown());
        currentPattern->Start(false);
    } else {
        currentPattern->SetLoop(false);
        currentPattern->Pause(false);
    }
}

void CPatternEditor::Stop()
{
    CLockGuard lock(*this);
    const bool wasDown = playDown.exchange(false, std::memory_order_acq_rel);
    if (!currentPattern)
        return;
    if (wasDown)
        currentPattern->SetLoop(false);
    currentPattern->Pause(true);
}

void CPatternEditor::SetLoop(bool down)
{
    CLockGuard lock(*this);
    loopDown.store(down, std::memory_order_release);
    if (currentPattern)
        currentPattern->SetLoop(down);
}

double CPatternEditor::PlayCursor()
{
    CLockGuard lock(*this);
    if (!currentMachine || !currentPattern)
        return -1.0;
    return currentPattern->PlayPositionInTicks(GetHost().GetSamplesPerTick());
}

double CPatternEditor::SongCursor()
{
    CLockGuard lock(*this);
    if (!currentMachine || !currentPattern)
        return -1.0;
    return currentPattern->SongPositionInTicks(GetHost().GetSamplesPerTick());
}

void CPatternEditor::PatternStep()
{
    if (!IsPlayDown() || !currentPattern)
        return;
    if (currentPattern->IsPlaying())
        currentPattern->Advance(GetHost());
    else
        playDown.store(false, std::memory_order_release);
}

void CPatternEditor::ClearPatterns()
{
    currentPattern = nullptr;
    patterns.DeleteAll();
    Touch();
}

void CPatternEditor::MachineAdded(CMachineContainer* container)
{
    CLockGuard lock(*this);
    for (int32_t i = 0; i < container->GetConnectorCount(); ++i) {
        if (IsControlInput(container->GetConnector(i)))
            sequence.EnsureTrack(container->GetConnector(i));
    }
    Touch();
}

void CPatternEditor::MachineRemoved(CMachineContainer* container)
{
    CLockGuard lock(*this);
    for (int32_t i = patterns.GetCount() - 1; i >= 0; --i) {
        Pattern* pattern = patterns.GetItem(i);
        if (OwnerOf(pattern) == container)
            RemoveFromList(pattern);
    }
    sequence.MachineRemoved(container);
    if (currentMachine == container) {
        currentMachine = nullptr;
        currentPort = nullptr;
        currentPattern = nullptr;
    }
    Touch();
}

void CPatternEditor::MachineRenamed(CMachineContainer*)
{
    Touch();
    sequence.Touch();
}
