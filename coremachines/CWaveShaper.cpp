#include "coremachines/CWaveShaper.h"
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CPort.h"
#include <algorithm>
#include <cstdio>

namespace {
constexpr double kDefaults[CWaveShaper::PARAMETER_COUNT] = {0.0, 0.5, 1.0, 0.0};
} // namespace

CWaveShaper::CWaveShaper(CHost* host, const char* amountName) : CMachine(host), amountName(amountName)
{
    parameterCount = PARAMETER_COUNT;
    AddPort(PORT_CONTROL_IN, "Control In");
    AddPort(PORT_STEREO_AUDIO_IN, "Line In");
    AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    for (int32_t i = 0; i < PARAMETER_COUNT; ++i)
        values[i] = smoothed[i] = kDefaults[i];
}

double CWaveShaper::GetParameter(int32_t index)
{
    return index >= 0 && index < PARAMETER_COUNT ? values[index] : 0.0;
}

void CWaveShaper::SetParameter(int32_t index, double value)
{
    if (index >= 0 && index < PARAMETER_COUNT)
        values[index] = value;
}

void CWaveShaper::GetParameterName(int32_t index, char* out)
{
    static const char* const kNames[PARAMETER_COUNT] = {"Amp", nullptr, "Wet", "Dry"};
    const char* text = "";
    if (index >= 0 && index < PARAMETER_COUNT)
        text = index == AMOUNT ? amountName : kNames[index];
    std::snprintf(out, kMachineTextSize, "%s", text);
}

void CWaveShaper::GetParameterDisplayValue(int32_t index, double value, char* out)
{
    if (index >= 0 && index < PARAMETER_COUNT)
        std::snprintf(out, kMachineTextSize, "%i%%", static_cast<int32_t>(100.0 * value));
    else
        out[0] = '\0';
}

void CWaveShaper::Process()
{
    CControlBuffer* events = ports[0]->controlBuffer;
    const CAudioBuffer* in = ports[1]->audioBuffer;
    CAudioBuffer* out = ports[2]->audioBuffer;
    const int32_t count = std::min(in->length, out->length);
    int32_t position = 0;
    MachineEvent event;
    while (events->PopEvent(&event)) {
        const int32_t at = std::clamp(event.time, position, count);
        Shape(in->left + position, in->right + position, out->left + position, out->right + position,
              at - position);
        position = at;
        if (event.kind == EVENT_CONTROL_CHANGE && event.key >= 0 && event.key < PARAMETER_COUNT)
            SetParameterAutomated(event.key, event.value);
    }
    Shape(in->left + position, in->right + position, out->left + position, out->right + position, count - position);
}
