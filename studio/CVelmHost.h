#pragma once
#include "framework/CHost.h"
#include "framework/CHostBankServer.h"
#include <cstdint>

class CMachine;
class CMachineInfo;

// The studio's host: its clock, the note table, the processor features, the
// bank server and the list of machine types, in order of registration.
class CVelmHost : public CHost {
public:
    CVelmHost(int32_t sampleRate, int32_t blockSize, int32_t cpuFlags);
    ~CVelmHost();
    CVelmHost(const CVelmHost&) = delete;
    CVelmHost& operator=(const CVelmHost&) = delete;

    int32_t RegisterMachineInfo(CMachineInfo* info) override;
    int32_t GetNoteFrequency(int32_t note, double* frequency) override;
    int32_t GetBankServer(CBankServer** server) override;
    void ParameterChanged(CMachine* machine, int32_t index, double value) override;
    int32_t GetPosition() override { return position; }
    double GetTempo() override { return tempo; }
    double GetTicksPerBeat() override { return ticksPerBeat; }
    int32_t GetSamplesPerTick() override;
    int32_t GetSampleRate() override { return sampleRate; }
    int32_t GetBlockSize() override { return blockSize; }
    bool IsFeatureSupported(int32_t feature) override { return feature == 0; }
    int32_t GetCPUFlags() override { return cpuFlags; }

    void SetTempo(double beatsPerMinute) { tempo = beatsPerMinute; }
    void SetTicksPerBeat(double ticks) { ticksPerBeat = ticks; }
    void SetSampleRateAndBlockSize(int32_t hz, int32_t frames);
    void AdvancePosition(int32_t frames) { position += frames; }
    void SetPosition(int32_t frames) { position = frames; }

    // Creates a machine of the first type with exactly this name; raises
    // "Machine <%s> Not Found" when there is none.
    CMachine* CreateMachineByName(const char* name, CMachineInfo** info);
    // The first type with exactly this name, or null.
    CMachineInfo* FindMachineInfoByName(const char* name) const;
    // The first type with this identifier, or null.
    CMachineInfo* FindMachineInfo(const char* identifier) const;

    int32_t GetMachineTypeCount() const { return typeCount; }
    // The n-th registered type (null outside the list).
    CMachineInfo* GetMachineType(int32_t n) const;

    // Types stay registered for the process's life (machines and projects
    // use them), but a type may be withdrawn from the offer for new machines
    // (its plug-in folder was removed from the paths) and offered again.
    void SetMachineTypeOffered(CMachineInfo* info, bool offered);
    // False for a withdrawn type (and for one that is not registered).
    bool IsMachineTypeOffered(const CMachineInfo* info) const;

    CHostBankServer& BankServer() { return bankServer; }

private:
    struct TypeNode {
        CMachineInfo* info;
        TypeNode* next;
        bool offered = true;
    };

    double noteFrequencies[128];
    int32_t position = 0;
    int32_t sampleRate;
    int32_t blockSize;
    double tempo = 140.0;
    double ticksPerBeat = 16.0;
    CHostBankServer bankServer;
    int32_t cpuFlags;
    TypeNode* firstType = nullptr;
    TypeNode* lastType = nullptr;
    int32_t typeCount = 0;
};
