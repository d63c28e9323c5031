#include "framework/CMachine.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void CopyText(char* out, const char* text, size_t size)
{
    std::snprintf(out, size, "%s", text ? text : "");
}

} // namespace

CMachine::CMachine(CHost* host) : CBankClient(host), host(host) {}

CMachine::~CMachine()
{
    RemoveAllPorts();
    std::free(name);
    FreePrograms();
}

void CMachine::Release()
{
    delete this;
}

void CMachine::ProcessLate() {}

bool CMachine::GetGUIRect(int32_t*, int32_t*, int32_t*, int32_t*)
{
    return false;
}

CControl* CMachine::CreateGUI(CControl*)
{
    return nullptr;
}

void CMachine::ShowGUI() {}
void CMachine::HideGUI() {}
void CMachine::IdleGUI() {}

double CMachine::GetParameter(int32_t)
{
    return 0.0;
}

void CMachine::SetParameter(int32_t index, double value)
{
    if (index >= 0 && index < parameterCount && HasCurrentProgram() && index < programs[currentProgram].parameterCount)
        programs[currentProgram].values[index] = value;
}

void CMachine::SetParameterAutomated(int32_t index, double value)
{
    host->ParameterChanged(this, index, value);
    SetParameter(index, value);
}

void CMachine::GetParameterName(int32_t, char* out)
{
    out[0] = '\0';
}

void CMachine::GetParameterDisplay(int32_t index, char* out)
{
    GetParameterDisplayValue(index, GetParameter(index), out);
}

void CMachine::GetParameterDisplayValue(int32_t, double, char* out)
{
    out[0] = '\0';
}

void CMachine::GetParameterLabel(int32_t, char* out)
{
    out[0] = '\0';
}

void CMachine::SetProgram(int32_t index)
{
    // Callers pass valid indices; anything else is refused rather than read
    // past the program list.
    if (!programs || index < 0 || index >= programCount)
        return;
    BeginProgramChange();
    currentProgram = index;
    const ProgramRecord& program = programs[index];
    for (int32_t i = 0; i < parameterCount && i < program.parameterCount; ++i)
        SetParameter(i, program.values[i]);
    EndProgramChange();
}

void CMachine::GetProgramName(char* out)
{
    CopyText(out, HasCurrentProgram() ? programs[currentProgram].name : "", kMachineTextSize);
}

void CMachine::SetProgramName(const char* text)
{
    if (HasCurrentProgram())
        CopyText(programs[currentProgram].name, text, kProgramNameSize);
}

void CMachine::GetProgramNameIndexed(int32_t index, char* out)
{
    bool valid = programs && index >= 0 && index < programCount;
    CopyText(out, valid ? programs[index].name : "", kMachineTextSize);
}

int32_t CMachine::GetProgram()
{
    return currentProgram;
}

void CMachine::ResizeBuffers(int32_t frames)
{
    for (int32_t i = 0; i < portCount; ++i) {
        if ((ports[i]->flags & PORT_AUDIO) && ports[i]->audioBuffer)
            ports[i]->audioBuffer->Resize(frames);
    }
}

void CMachine::BeginProgramChange()
{
    ++programChangeDepth;
}

void CMachine::EndProgramChange()
{
    --programChangeDepth;
}

void CMachine::SetName(const char* text)
{
    std::free(name);
    name = strdup(text ? text : "");
}

const char* CMachine::GetName()
{
    return name ? name : "";
}

void CMachine::LoadState(const void* data, int32_t size, bool)
{
    if (!data || size < 8)
        return;
    auto* bytes = static_cast<const unsigned char*>(data);
    int32_t magic;
    int32_t count;
    std::memcpy(&magic, bytes, 4);
    std::memcpy(&count, bytes + 4, 4);
    const bool floats = magic == kParameterBlobFloats;
    const int32_t valueSize = floats ? 4 : 8;
    // The count is only a claim: read no more values than the blob holds.
    const int32_t available = (size - 8) / valueSize;
    if (count > available)
        count = available;
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char* at = bytes + 8 + static_cast<size_t>(i) * valueSize;
        double value;
        if (floats) {
            float f;
            std::memcpy(&f, at, 4);
            value = f;
        } else {
            std::memcpy(&value, at, 8);
        }
        SetParameterAutomated(i, value);
    }
}

void CMachine::SaveState(void** data, int32_t* size, bool* isParameterList)
{
    const int32_t count = parameterCount > 0 ? parameterCount : 0;
    const int32_t bytes = 8 * count + 8;
    auto* blob = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(bytes)));
    std::memcpy(blob, &kParameterBlobDoubles, 4);
    std::memcpy(blob + 4, &count, 4);
    for (int32_t i = 0; i < count; ++i) {
        double value = GetParameter(i);
        std::memcpy(blob + 8 + static_cast<size_t>(i) * 8, &value, 8);
    }
    *data = blob;
    *size = bytes;
    *isParameterList = true;
}

CPort* CMachine::AddPort(int32_t flags, const char* portName)
{
    auto* port = new CPort(host, this, flags, portName);
    auto** grown = new CPort*[static_cast<size_t>(portCount) + 1];
    if (portCount > 0)
        std::memcpy(grown, ports, sizeof(CPort*) * static_cast<size_t>(portCount));
    grown[portCount] = port;
    delete[] ports;
    ports = grown;
    ++portCount;
    return port;
}

void CMachine::RemoveAllPorts()
{
    for (int32_t i = 0; i < portCount; ++i)
        delete ports[i];
    delete[] ports;
    ports = nullptr;
    portCount = 0;
}

void CMachine::CreatePrograms(int32_t count)
{
    FreePrograms();
    if (count <= 0)
        return;
    programs = new ProgramRecord[static_cast<size_t>(count)];
    programCount = count;
    for (int32_t p = 0; p < count; ++p) {
        ProgramRecord& program = programs[p];
        program.parameterCount = parameterCount;
        program.values = new double[static_cast<size_t>(parameterCount > 0 ? parameterCount : 1)];
        for (int32_t i = 0; i < parameterCount; ++i)
            program.values[i] = GetParameter(i);
        std::snprintf(program.name, sizeof program.name, "Program %03i", p);
    }
    currentProgram = 0;
}

void CMachine::FreePrograms()
{
    for (int32_t p = 0; p < programCount && programs; ++p)
        delete[] programs[p].values;
    delete[] programs;
    programs = nullptr;
    programCount = 0;
}

bool CMachine::HasCurrentProgram() const
{
    return programs && currentProgram >= 0 && currentProgram < programCount;
}
