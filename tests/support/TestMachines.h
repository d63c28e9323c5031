#pragma once
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/CPort.h"
#include <cstdio>
#include <vector>

// A plain machine with a fixed number of parameters for framework tests.
class CParameterMachine : public CMachine {
public:
    CParameterMachine(CHost* host, int32_t parameters) : CMachine(host), values(static_cast<size_t>(parameters), 0.0)
    {
        parameterCount = parameters;
        AddPort(PORT_CONTROL_IN, "Control In");
        AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    }
    void Process() override { ++processed; }
    double GetParameter(int32_t index) override
    {
        return index >= 0 && index < parameterCount ? values[static_cast<size_t>(index)] : 0.0;
    }
    void SetParameter(int32_t index, double value) override
    {
        CMachine::SetParameter(index, value);
        if (index >= 0 && index < parameterCount)
            values[static_cast<size_t>(index)] = value;
        ++setCalls;
        depths.push_back(programChangeDepth);
    }
    void GetParameterDisplayValue(int32_t, double value, char* out) override { std::snprintf(out, kMachineTextSize, "%.2f", value); }
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t) override {}
    bool IsGenerator() override { return false; }

    using CMachine::CreatePrograms;

    std::vector<double> values;
    int processed = 0;
    int setCalls = 0;
    // The program-change depth each write arrived with.
    std::vector<int32_t> depths;
};

class CParameterMachineInfo : public CMachineInfo {
public:
    CParameterMachineInfo(CHost* host, const char* typeName, const char* typeIdentifier, int32_t parameters = 3)
        : host(host), parameters(parameters)
    {
        name = typeName;
        identifier = typeIdentifier;
    }
    CMachine* CreateMachine() override { return new CParameterMachine(host, parameters); }

private:
    CHost* host;
    int32_t parameters;
};
