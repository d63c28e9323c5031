#include "studio/CVelmHost.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/CMachineOwner.h"
#include "framework/Errors.h"
#include <cstring>

CVelmHost::CVelmHost(int32_t sampleRate, int32_t blockSize, int32_t cpuFlags)
    : sampleRate(sampleRate), blockSize(blockSize), cpuFlags(cpuFlags)
{
    // Repeated multiplication, not pow(): stored tunings depend on the
    // exact values this gives.
    double frequency = 8.175798915636872;
    for (double& entry : noteFrequencies) {
        entry = frequency;
        frequency *= 1.059463094359;
    }
}

CVelmHost::~CVelmHost()
{
    while (firstType) {
        TypeNode* next = firstType->next;
        firstType->info->Release();
        delete firstType;
        firstType = next;
    }
}

int32_t CVelmHost::RegisterMachineInfo(CMachineInfo* info)
{
    auto* node = new TypeNode{info, nullptr, true};
    if (lastType)
        lastType->next = node;
    else
        firstType = node;
    lastType = node;
    ++typeCount;
    return 0;
}

int32_t CVelmHost::GetNoteFrequency(int32_t note, double* frequency)
{
    if (note < 0 || note >= 128) {
        *frequency = 0.0;
        return 2;
    }
    *frequency = noteFrequencies[note];
    return 0;
}

int32_t CVelmHost::GetBankServer(CBankServer** server)
{
    *server = &bankServer;
    return 0;
}

void CVelmHost::ParameterChanged(CMachine* machine, int32_t index, double value)
{
    if (machine->owner)
        machine->owner->OwnerParameterChanged(machine, index, value);
    else
        machine->SetParameter(index, value);
}

int32_t CVelmHost::GetSamplesPerTick()
{
    return static_cast<int32_t>(60.0 / (ticksPerBeat * tempo) * static_cast<double>(sampleRate));
}

void CVelmHost::SetSampleRateAndBlockSize(int32_t hz, int32_t frames)
{
    sampleRate = hz;
    blockSize = frames;
}

CMachine* CVelmHost::CreateMachineByName(const char* name, CMachineInfo** info)
{
    CMachineInfo* found = FindMachineInfoByName(name);
    if (!found)
        Raise("Machine <%s> Not Found", name);
    if (info)
        *info = found;
    return found->CreateMachine();
}

CMachineInfo* CVelmHost::FindMachineInfoByName(const char* name) const
{
    for (TypeNode* node = firstType; node; node = node->next) {
        if (std::strcmp(node->info->name, name) == 0)
            return node->info;
    }
    return nullptr;
}

CMachineInfo* CVelmHost::FindMachineInfo(const char* identifier) const
{
    for (TypeNode* node = firstType; node; node = node->next) {
        if (std::strcmp(node->info->identifier, identifier) == 0)
            return node->info;
    }
    return nullptr;
}

CMachineInfo* CVelmHost::GetMachineType(int32_t n) const
{
    TypeNode* node = firstType;
    for (int32_t i = 0; node && i < n; ++i)
        node = node->next;
    return n >= 0 ? (node ? node->info : nullptr) : nullptr;
}

void CVelmHost::SetMachineTypeOffered(CMachineInfo* info, bool offered)
{
    for (TypeNode* node = firstType; node; node = node->next) {
        if (node->info == info)
            node->offered = offered;
    }
}

bool CVelmHost::IsMachineTypeOffered(const CMachineInfo* info) const
{
    for (TypeNode* node = firstType; node; node = node->next) {
        if (node->info == info)
            return node->offered;
    }
    return false;
}
