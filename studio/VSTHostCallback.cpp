#include "studio/VSTHostCallback.h"
#include "framework/CHost.h"
#include "studio/CVSTAdapter.h"
#include "studio/CVSTAdapterList.h"
#include <cstdio>

VstIntPtr VSTHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case audioMasterVersion:
        return kHostVSTVersion;
    case audioMasterGetSampleRate: {
        CHost* host = CVSTAdapterList::Get().GetHost();
        return host ? host->GetSampleRate() : 0;
    }
    case audioMasterGetBlockSize: {
        CHost* host = CVSTAdapterList::Get().GetHost();
        return host ? host->GetBlockSize() : 0;
    }
    case audioMasterGetVendorString:
        if (!ptr)
            return 0;
        std::snprintf(static_cast<char*>(ptr), kVstVendorSize, "%s", kHostVendor);
        return 1;
    default:
        break;
    }
    if (!effect)
        return 0;
    // Calls from inside the entry come before the record knows its machine.
    CVSTAdapter* adapter = effect->resvd1 ? reinterpret_cast<CVSTAdapter*>(effect->resvd1)
                                          : CVSTAdapterList::Get().FindByEffect(effect);
    if (!adapter)
        return 0;
    CLockGuard guard(*adapter);
    return adapter->AnswerHost(opcode, index, value, ptr, opt);
}
