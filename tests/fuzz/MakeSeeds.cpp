#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "audio/CStudioOptions.h"
#include "machines/CArpeggiator.h"
#include "machines/CControlChangeMapper.h"
#include "machines/CHDTrackMachine.h"
#include "machines/CHDTrack.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include <fstream>
int main(int, char** argv)
{
    CStudioOptions options;
    auto image = options.Serialize();
    std::ofstream(std::string(argv[1]) + "/options/defaults.opt", std::ios::binary).write((const char*)image.data(), image.size());
    CStudioSession session(44100, 256, RegisterBuiltInMachineTypes);
    session.NewProject();
    auto& s = session.Studio();
    auto* arp = s.AddMachine("Arp 1", session.Host().FindMachineInfoByName("ZT Arpeggiator"), 10, 10);
    static_cast<CArpeggiator*>(arp->GetMachine())->SetCell(11, 0, true);
    auto* map = s.AddMachine("Map 1", session.Host().FindMachineInfoByName("ZT ControlChange Mapper"), 20, 10);
    static_cast<CControlChangeMapper*>(map->GetMachine())->AddMapping(7, 20);
    auto* hd = s.AddMachine("HD 1", session.Host().FindMachineInfoByName("ZT HD Recorder Track (Stereo)"), 30, 10);
    static_cast<CHDTrackMachine*>(hd->GetMachine())->Track()->SetFile("/tmp/take.wav", 3);
    s.AddMachine("In 1", session.Host().FindMachineInfoByName("ZT MIDI Input"), 40, 10);
    s.AddMachine("Out 1", session.Host().FindMachineInfoByName("ZT MIDI Output"), 50, 10);
    s.Connect(arp->GetConnector(1), map->GetConnector(0), 1.0);
    s.Connect(hd->GetConnector(1), s.GetMaster()->GetConnector(0), 1.0);
    session.SaveProject(std::string(argv[1]) + "/project/utility-machines.vmp");
    return 0;
}
