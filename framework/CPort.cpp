#include "framework/CPort.h"
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CHost.h"
#include <cstdlib>
#include <cstring>

CPort::CPort(CHost* host, CMachine* owner, int32_t flags, const char* portName) : flags(flags), owner(owner)
{
    name = strdup(portName ? portName : "");
    if (flags & PORT_AUDIO)
        audioBuffer = new CAudioBuffer(host ? host->GetBlockSize() : 0, (flags & PORT_STEREO) != 0);
    if (flags & PORT_CONTROL)
        controlBuffer = new CControlBuffer();
}

CPort::~CPort()
{
    std::free(name);
    delete audioBuffer;
    delete controlBuffer;
}
