#include "app/BuiltInMachineTypes.h"
#include "machines/CArpeggiator.h"
#include "machines/CControlChangeMapper.h"
#include "machines/CHDTrackList.h"
#include "machines/CHDTrackMachine.h"
#include "machines/CMIDIInput.h"
#include "machines/CMIDIOutput.h"
#include "studio/CMaster.h"
#include "studio/CVelmHost.h"

void RegisterBuiltInMachineTypes(CVelmHost& host)
{
    host.RegisterMachineInfo(new CMasterInfo(&host));
    host.RegisterMachineInfo(new CArpeggiatorInfo(&host));
    host.RegisterMachineInfo(new CControlChangeMapperInfo(&host));
    host.RegisterMachineInfo(new CHDTrackMachineInfoMono(&host, &CHDTrackList::Shared()));
    host.RegisterMachineInfo(new CHDTrackMachineInfoStereo(&host, &CHDTrackList::Shared()));
    // The MIDI devices are listed when the first MIDI machine is made.
    host.RegisterMachineInfo(new CMIDIInputInfo(&host, nullptr));
    host.RegisterMachineInfo(new CMIDIOutputInfo(&host, nullptr));
}
