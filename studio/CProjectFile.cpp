#include "studio/CProjectFile.h"
#include "framework/ByteStream.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/CPort.h"
#include "framework/Errors.h"
#include "platform/OsPaths.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CProjectBlocks.h"
#include "studio/CProjectFileTypes.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr size_t kTextFieldBytes = 1024;
constexpr double kDefaultTicksPerBeat = 16.0;
// The ranges of the tempo controls.
constexpr double kMinimumTempo = 1.0;
constexpr double kMaximumTempo = 1200.0;
constexpr double kMinimumTicksPerBeat = 1.0;
constexpr double kMaximumTicksPerBeat = 64.0;

constexpr const char* kLegacySynthesizer = "VelmPlug::ZT OrvelSynth";
constexpr const char* kSynthesizer = "VelmPlug::ZT DudeRivi";

struct FileVersion {
    uint8_t major;
    uint8_t minor;

    bool HasTicksPerBeat() const { return major > 3; }
    bool HasInformation() const { return major > 2 || (major == 2 && minor >= 1); }
    size_t ConnectionRecordBytes() const { return major >= 3 ? 24 : major == 2 ? 20 : 16; }
};

// A clock value of the file: clamped into its control's range; anything
// that is not a positive number makes the file corrupt.
double ClockValue(float stored, double lowest, double highest)
{
    if (!std::isfinite(stored) || stored <= 0.0f)
        throw CCorruptData();
    return std::clamp(static_cast<double>(stored), lowest, highest);
}

void WriteMachineRecord(CByteWriter& out, CMachineContainer* container)
{
    CMachine* machine = container->GetMachine();
    void* state = nullptr;
    int32_t size = 0;
    bool isParameterList = false;
    {
        CLockGuard lock(*machine);
        machine->SaveState(&state, &size, &isParameterList);
    }
    if (!state || size < 0)
        size = 0;
    out.FixedText(container->GetName(), kTextFieldBytes);
    out.FixedText(container->GetType()->identifier, kTextFieldBytes);
    out.Int32(container->GetX());
    out.Int32(container->GetY());
    out.Int32(container->guiState);
    out.Int32(size);
    out.UInt8(isParameterList ? 1 : 0);
    out.Bytes(state, static_cast<size_t>(size));
    std::free(state);
}

void WriteConnectionBlock(CByteWriter& out, CMachineContainer* container)
{
    const int32_t number = container->GetMachine()->machineNumber;
    int32_t count = 0;
    for (int32_t p = 0; p < container->GetConnectorCount(); ++p)
        count += container->GetConnector(p)->GetConnectionCount();
    CByteWriter block;
    block.Int32(count);
    for (int32_t p = 0; p < container->GetConnectorCount(); ++p) {
        CConnector* connector = container->GetConnector(p);
        for (int32_t c = 0; c < connector->GetConnectionCount(); ++c) {
            CConnection* connection = connector->GetConnection(c);
            CPort* source = connection->source->GetPort();
            block.Int32(source->owner->machineNumber);
            block.Int32(source->portIndex);
            block.Int32(number);
            block.Int32(connector->GetPort()->portIndex);
            block.Double(connection->GetTargetVolume());
        }
    }
    out.Block(block);
}

int32_t ClampGuiState(int32_t state)
{
    return state >= CMachineContainer::GUI_BOX && state <= CMachineContainer::GUI_CUSTOM ? state
                                                                                          : CMachineContainer::GUI_BOX;
}

} // namespace

CProjectFile::CProjectFile(CStudio& studio, CProjectBlocks& blocks, std::string& information)
    : studio(studio), blocks(blocks), information(information)
{
}

std::vector<uint8_t> CProjectFile::Write()
{
    CByteWriter out;
    CLockGuard lock(studio);
    CVelmHost* host = studio.GetHost();
    out.Int32(kMagic);
    out.UInt8(kMajorVersion);
    out.UInt8(kMinorVersion);
    out.Float(static_cast<float>(host->GetTempo()));
    out.Float(static_cast<float>(host->GetTicksPerBeat()));
    studio.NumberMachines();
    out.Int32(studio.GetContainerCount());
    for (CMachineContainer* container = studio.GetFirst(); container; container = container->GetNext())
        WriteMachineRecord(out, container);
    for (CMachineContainer* container = studio.GetFirst(); container; container = container->GetNext()) {
        WriteConnectionBlock(out, container);
        CByteWriter patterns;
        blocks.WritePatternBlock(container->GetMachine()->machineNumber, patterns);
        out.Block(patterns);
    }
    CByteWriter sequence;
    blocks.WriteSequenceBlock(sequence);
    out.Block(sequence);
    const size_t textLength = strnlen(information.c_str(), information.size());
    out.Int32(static_cast<int32_t>(textLength + 1));
    out.Bytes(information.data(), textLength);
    out.UInt8(0);
    return out.Data();
}

void CProjectFile::Save(const std::string& path)
{
    std::vector<uint8_t> bytes = Write();
    if (!platform::ReplaceFileContents(path, bytes.data(), bytes.size()))
        Raise("Failed To Open File '%s' For Writing", path.c_str());
}

void CProjectFile::Load(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        Raise("Failed To Open File '%s' For Reading", path.c_str());
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        Raise("File '%s' Is Corrupt", path.c_str());
    Read(bytes.data(), bytes.size(), path);
}

void CProjectFile::Read(const void* data, size_t size, const std::string& path)
{
    missingMachines = 0;
    try {
        ReadProject(data, size, path);
    } catch (const CCorruptData&) {
        Raise("File '%s' Is Corrupt", path.c_str());
    }
}

void CProjectFile::ReadProject(const void* data, size_t size, const std::string& path)
{
    CByteReader in(data, size);
    if (in.Int32() != kMagic)
        throw CCorruptData();
    FileVersion version{in.UInt8(), in.UInt8()};
    const float storedTempo = in.Float();
    if (version.major > kMajorVersion)
        Raise("File '%s' Has Incompatible Version Number", path.c_str());

    CVelmHost* host = studio.GetHost();
    const double tempo = ClockValue(storedTempo, kMinimumTempo, kMaximumTempo);
    const double ticksPerBeat = version.HasTicksPerBeat()
                                    ? ClockValue(in.Float(), kMinimumTicksPerBeat, kMaximumTicksPerBeat)
                                    : kDefaultTicksPerBeat;
    {
        CLockGuard lock(studio);
        host->SetTempo(tempo);
        host->SetTicksPerBeat(ticksPerBeat);
    }

    const int32_t machineCount = in.Count(kMachineRecordBytes);
    CProjectFileTypes types(host);
    std::vector<bool> missing(static_cast<size_t>(machineCount), false);
    for (int32_t i = 0; i < machineCount; ++i) {
        std::string name = in.FixedText(kTextFieldBytes);
        std::string identifier = in.FixedText(kTextFieldBytes);
        const int32_t x = in.Int32();
        const int32_t y = in.Int32();
        const int32_t guiState = in.Int32();
        const int32_t stateSize = in.Int32();
        const bool isParameterList = in.UInt8() != 0;
        if (stateSize < 0)
            throw CCorruptData();
        const uint8_t* state = in.Bytes(static_cast<size_t>(stateSize));
        // Projects of the synthesizer's old name still find it.
        if (name == kLegacySynthesizer)
            name = kSynthesizer;
        if (identifier == kLegacySynthesizer)
            identifier = kSynthesizer;

        CMachineContainer* container = nullptr;
        // Distinct plug-ins may share an identifier.
        const CProjectFileTypes::Choice choice = types.Resolve(identifier, name, state, stateSize, isParameterList);
        if (choice.guessed)
            Show("%s", CProjectFileTypes::GuessText(name, choice).c_str());
        if (CMachineInfo* type = choice.type) {
            try {
                container = studio.AddMachine(name.c_str(), type, x, y, state, stateSize, isParameterList);
            } catch (const CError& error) {
                Show("%s", error.Text());
            }
        }
        if (!container) {
            Show("Machine of name \"%s\" could not be loaded.\r\nIf you save the project the machine's settings, "
                 "connections, and patterns (if any) will be lost.",
                 name.c_str());
            missing[static_cast<size_t>(i)] = true;
            ++missingMachines;
            continue;
        }
        container->guiState = ClampGuiState(guiState);
        CMachine* machine = container->GetMachine();
        machine->machineNumber = i;
        for (int32_t p = 0; p < machine->portCount; ++p)
            machine->ports[p]->portIndex = p;
    }

    const size_t recordBytes = version.ConnectionRecordBytes();
    for (int32_t i = 0; i < machineCount; ++i) {
        const bool dropped = missing[static_cast<size_t>(i)];
        CByteReader connections = in.Block();
        const int32_t count = dropped ? 0 : connections.Count(recordBytes);
        for (int32_t c = 0; c < count; ++c) {
            const int32_t sourceMachine = connections.Int32();
            const int32_t sourcePort = connections.Int32();
            const int32_t destinationMachine = connections.Int32();
            const int32_t destinationPort = connections.Int32();
            double volume = 1.0;
            if (recordBytes == 24)
                volume = connections.Double();
            else if (recordBytes == 20)
                volume = connections.Float();
            // A volume that is not a number would silence everything
            // downstream of the cable for good.
            if (!std::isfinite(volume))
                throw CCorruptData();
            studio.ConnectByNumbers(sourceMachine, sourcePort, destinationMachine, destinationPort, volume);
        }
        CByteReader patterns = in.Block();
        if (!dropped) {
            CLockGuard lock(studio);
            blocks.ReadPatternBlock(patterns);
        }
    }

    CByteReader sequence = in.Block();
    {
        CLockGuard lock(studio);
        blocks.ReadSequenceBlock(sequence, missingMachines > 0);
    }

    information.clear();
    if (version.HasInformation()) {
        const int32_t length = in.Int32();
        if (length > 0) {
            const auto* text = reinterpret_cast<const char*>(in.Bytes(static_cast<size_t>(length)));
            information.assign(text, strnlen(text, static_cast<size_t>(length)));
        }
    }
}
