#include "machines/CControlChangeMapper.h"
#include "framework/CControlBuffer.h"
#include "framework/CPort.h"
#include "machines/MachineEditors.h"
#include "machines/StateBlob.h"
#include <algorithm>

CControlChangeMapper::CControlChangeMapper(CHost* host) : CMachine(host)
{
    AddPort(PORT_CONTROL_IN, "Control In");
    AddPort(PORT_CONTROL_OUT, "Control Out");
}

void CControlChangeMapper::Process()
{
    CControlBuffer* input = ports[0]->controlBuffer;
    CControlBuffer* output = ports[1]->controlBuffer;
    MachineEvent event;
    while (input->PopEvent(&event)) {
        if (event.kind == EVENT_CONTROL_CHANGE) {
            bool learned = false;
            for (Mapping& mapping : mappings) {
                if (mapping.training) {
                    mapping.training = false;
                    mapping.in = event.key;
                    learned = true;
                }
            }
            if (learned)
                Changed();
            auto found = std::find_if(mappings.begin(), mappings.end(),
                                      [&](const Mapping& mapping) { return mapping.in == event.key; });
            if (found != mappings.end())
                event.key = found->out;
        }
        output->PushEvent(&event);
    }
}

CControl* CControlChangeMapper::CreateGUI(CControl* parent)
{
    return MachineEditors::Create(this, parent);
}

int32_t CControlChangeMapper::AddMapping(int32_t in, int32_t out)
{
    CLockGuard<CMutex> lock(*this);
    mappings.push_back({in, out, false});
    Changed();
    return static_cast<int32_t>(mappings.size()) - 1;
}

void CControlChangeMapper::RemoveMapping(int32_t index)
{
    CLockGuard<CMutex> lock(*this);
    if (index >= 0 && index < static_cast<int32_t>(mappings.size())) {
        mappings.erase(mappings.begin() + index);
        Changed();
    }
}

void CControlChangeMapper::SetMapping(int32_t index, int32_t in, int32_t out)
{
    CLockGuard<CMutex> lock(*this);
    if (index >= 0 && index < static_cast<int32_t>(mappings.size())) {
        mappings[index].in = std::clamp(in, 0, kHighestControl);
        mappings[index].out = std::clamp(out, 0, kHighestControl);
        Changed();
    }
}

void CControlChangeMapper::SetTraining(int32_t index, bool on)
{
    CLockGuard<CMutex> lock(*this);
    if (index >= 0 && index < static_cast<int32_t>(mappings.size())) {
        mappings[index].training = on;
        Changed();
    }
}

int32_t CControlChangeMapper::GetMappingCount()
{
    CLockGuard<CMutex> lock(*this);
    return static_cast<int32_t>(mappings.size());
}

CControlChangeMapper::Mapping CControlChangeMapper::GetMapping(int32_t index)
{
    CLockGuard<CMutex> lock(*this);
    if (index < 0 || index >= static_cast<int32_t>(mappings.size()))
        return {};
    return mappings[index];
}

void CControlChangeMapper::LoadState(const void* data, int32_t size, bool)
{
    if (!data || size < 4)
        return;
    int32_t count = blob::ReadInt32(data, 0);
    if (count < 0 || static_cast<int64_t>(size) != 4 + 8 * static_cast<int64_t>(count))
        return;
    CLockGuard<CMutex> lock(*this);
    for (int32_t i = 0; i < count; ++i)
        mappings.push_back({blob::ReadInt32(data, 4 + 8 * i), blob::ReadInt32(data, 8 + 8 * i), false});
    Changed();
}

void CControlChangeMapper::SaveState(void** data, int32_t* size, bool* isParameterList)
{
    std::vector<uint8_t> bytes;
    {
        CLockGuard<CMutex> lock(*this);
        blob::AppendInt32(bytes, static_cast<int32_t>(mappings.size()));
        for (const Mapping& mapping : mappings) {
            blob::AppendInt32(bytes, mapping.in);
            blob::AppendInt32(bytes, mapping.out);
        }
    }
    blob::Hand(bytes, data, size, isParameterList);
}

CControlChangeMapperInfo::CControlChangeMapperInfo(CHost* host) : host(host)
{
    name = "ZT ControlChange Mapper";
    identifier = "VelmPlug::ZT ControlChange Mapper";
}
