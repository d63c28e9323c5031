#include "machines/CArpeggiator.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include "machines/MachineEditors.h"
#include "machines/StateBlob.h"
#include <algorithm>
#include <cmath>

CArpeggiator::CArpeggiator(CHost* host)
    : CMachine(host), sampleRate(host->GetSampleRate()), blockSize(host->GetBlockSize())
{
    AddPort(PORT_CONTROL_IN, "Control In");
    AddPort(PORT_CONTROL_OUT, "Control Out");
}

void CArpeggiator::SetStepsPerBeat(int32_t value)
{
    stepsPerBeat.store(std::clamp(value, 1, 16), std::memory_order_relaxed);
}

void CArpeggiator::SetLength(int32_t value)
{
    length.store(std::clamp(value, 1, kSteps), std::memory_order_relaxed);
}

bool CArpeggiator::GetCell(int32_t row, int32_t column) const
{
    if (row < 0 || row >= kRows || column < 0 || column >= kSteps)
        return false;
    return grid[row][column].load(std::memory_order_relaxed) != 0;
}

void CArpeggiator::SetCell(int32_t row, int32_t column, bool on)
{
    if (row >= 0 && row < kRows && column >= 0 && column < kSteps)
        grid[row][column].store(on ? 1 : 0, std::memory_order_relaxed);
}

int32_t CArpeggiator::StepLength()
{
    double tempo = host->GetTempo();
    if (!(tempo > 0.0))
        return std::max(sampleRate, 1);
    double frames = std::trunc(60.0 / (tempo * GetStepsPerBeat()) * sampleRate);
    return frames < 1.0 ? 1 : frames > 1e9 ? 1000000000 : static_cast<int32_t>(frames);
}

void CArpeggiator::Process()
{
    CControlBuffer* input = ports[0]->controlBuffer;
    CControlBuffer* output = ports[1]->controlBuffer;
    // Note-offs carried over from earlier blocks: due ones go out, the rest
    // age by one block.
    heldOver.Advance(output, blockSize);

    int32_t position = 0;
    MachineEvent event;
    while (input->PopEvent(&event)) {
        int32_t time = std::clamp(event.time, position, blockSize);
        Generate(position, time - position);
        position = time;
        if (event.kind == EVENT_NOTE_ON) {
            holding = true;
            heldKey = static_cast<uint8_t>(event.key & 0xff);
            step = 0;
            countdown = 0;
        } else if (event.kind == EVENT_NOTE_OFF && static_cast<uint8_t>(event.key & 0xff) == heldKey) {
            holding = false;
            heldKey = 0;
            step = 0;
            countdown = 0;
        }
    }
    Generate(position, blockSize - position);
}

// Steps keep an exact grid across ranges and blocks: the countdown carries
// the frames from the end of one range to the next step.
void CArpeggiator::Generate(int32_t start, int32_t count)
{
    if (!holding || count <= 0)
        return;
    if (count <= countdown) {
        countdown -= count;
        return;
    }
    const int32_t stepFrames = StepLength();
    const int64_t end = static_cast<int64_t>(start) + count;
    int64_t frame = static_cast<int64_t>(start) + countdown;
    while (frame < end) {
        EmitStep(static_cast<int32_t>(frame), stepFrames);
        step = (step + 1) % GetLength();
        frame += stepFrames;
    }
    countdown = static_cast<int32_t>(frame - end);
}

void CArpeggiator::EmitStep(int32_t frame, int32_t stepFrames)
{
    CControlBuffer* output = ports[1]->controlBuffer;
    const int32_t column = std::min(step, GetLength() - 1);
    for (int32_t row = 0; row < kRows; ++row) {
        if (!GetCell(row, column))
            continue;
        int32_t key = heldKey + kRows - 1 - row;
        double frequency = 0.0;
        if (host->GetNoteFrequency(key, &frequency) != 0)
            continue; // beyond the highest note
        MachineEvent on = MakeEvent(frame, EVENT_NOTE_ON, key, 100.0 / 127.0, frequency);
        output->PushEvent(&on);
        int64_t offTime = static_cast<int64_t>(frame) + stepFrames;
        if (offTime < blockSize) {
            MachineEvent off = MakeEvent(static_cast<int32_t>(offTime), EVENT_NOTE_OFF, key, 0.0);
            output->PushEvent(&off);
        } else {
            // Kept with its time in the next block; later blocks age it.
            MachineEvent off = MakeEvent(static_cast<int32_t>(std::min<int64_t>(offTime - blockSize, INT32_MAX)),
                                         EVENT_NOTE_OFF, key, 0.0);
            heldOver.PushEvent(&off);
        }
    }
}

CControl* CArpeggiator::CreateGUI(CControl* parent)
{
    return MachineEditors::Create(this, parent);
}

void CArpeggiator::LoadState(const void* data, int32_t size, bool)
{
    if (!data || size != kBlobSize)
        return;
    CLockGuard<CMutex> lock(*this);
    // Out-of-range values from a damaged file are brought into range rather
    // than stepping modulo zero later.
    SetStepsPerBeat(blob::ReadInt32(data, 0));
    SetLength(blob::ReadInt32(data, 4));
    const auto* cells = static_cast<const uint8_t*>(data) + 8;
    for (int32_t row = 0; row < kRows; ++row) {
        for (int32_t column = 0; column < kSteps; ++column)
            grid[row][column].store(cells[row * kSteps + column], std::memory_order_relaxed);
    }
    step = step % GetLength();
}

void CArpeggiator::SaveState(void** data, int32_t* size, bool* isParameterList)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(kBlobSize);
    blob::AppendInt32(bytes, GetStepsPerBeat());
    blob::AppendInt32(bytes, GetLength());
    for (int32_t row = 0; row < kRows; ++row) {
        for (int32_t column = 0; column < kSteps; ++column)
            bytes.push_back(grid[row][column].load(std::memory_order_relaxed));
    }
    blob::Hand(bytes, data, size, isParameterList);
}

CArpeggiatorInfo::CArpeggiatorInfo(CHost* host) : host(host)
{
    name = "ZT Arpeggiator";
    identifier = "VelmPlug::ZT Arpeggiator";
}
