#include "app/BuiltInMachineTypes.h"
#include "studio/CMaster.h"
#include "studio/CVelmHost.h"

void RegisterBuiltInMachineTypes(CVelmHost& host)
{
    host.RegisterMachineInfo(new CMasterInfo(&host));
}
