#include "framework/CMachineOwner.h"
#include "framework/Errors.h"
#include "studio/CVelmHost.h"
#include "support/TestMachines.h"
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

TEST(VelmHostTest, ClockDefaultsAndSamplesPerTick)
{
    CVelmHost host(44100, 256, 4);
    EXPECT_EQ(host.GetTempo(), 140.0);
    EXPECT_EQ(host.GetTicksPerBeat(), 16.0);
    EXPECT_EQ(host.GetPosition(), 0);
    EXPECT_EQ(host.GetSamplesPerTick(), 1181);
    EXPECT_EQ(host.GetCPUFlags(), 4);
    EXPECT_TRUE(host.IsFeatureSupported(0));
    EXPECT_FALSE(host.IsFeatureSupported(1));

    host.SetTempo(120.0);
    host.SetTicksPerBeat(4.0);
    EXPECT_EQ(host.GetSamplesPerTick(), 5512); // 0.125 s at 44100 Hz, truncated
    host.SetSampleRateAndBlockSize(48000, 512);
    EXPECT_EQ(host.GetSamplesPerTick(), 6000);
    EXPECT_EQ(host.GetBlockSize(), 512);
    host.AdvancePosition(512);
    host.AdvancePosition(512);
    EXPECT_EQ(host.GetPosition(), 1024);
}

TEST(VelmHostTest, NoteTable)
{
    CVelmHost host(44100, 256, 0);
    double f = -1;
    EXPECT_EQ(host.GetNoteFrequency(69, &f), 0);
    EXPECT_NEAR(f, 440.0, 1e-6);
    EXPECT_EQ(host.GetNoteFrequency(0, &f), 0);
    EXPECT_EQ(f, 8.175798915636872);
    EXPECT_EQ(host.GetNoteFrequency(127, &f), 0);
    EXPECT_NEAR(f, 12543.85, 0.01);
    EXPECT_EQ(host.GetNoteFrequency(128, &f), 2);
    EXPECT_EQ(f, 0.0);
    EXPECT_EQ(host.GetNoteFrequency(-1, &f), 2);
    EXPECT_EQ(f, 0.0);
    // Octaves double within the rounding of the repeated multiplication.
    double low, high;
    host.GetNoteFrequency(48, &low);
    host.GetNoteFrequency(60, &high);
    EXPECT_NEAR(high / low, 2.0, 1e-9);
}

TEST(VelmHostTest, TypesAreFoundByNameAndIdentifierInRegistrationOrder)
{
    CVelmHost host(44100, 256, 0);
    auto* first = new CParameterMachineInfo(&host, "ZT Twin", "VelmPlug::ZT Twin-A", 1);
    auto* second = new CParameterMachineInfo(&host, "ZT Twin", "VelmPlug::ZT Twin-B", 2);
    auto* third = new CParameterMachineInfo(&host, "ZT Other", "VelmPlug::ZT Twin-A", 3);
    EXPECT_EQ(host.RegisterMachineInfo(first), 0);
    host.RegisterMachineInfo(second);
    host.RegisterMachineInfo(third);
    ASSERT_EQ(host.GetMachineTypeCount(), 3);
    EXPECT_EQ(host.GetMachineType(0), first);
    EXPECT_EQ(host.GetMachineType(2), third);
    EXPECT_EQ(host.GetMachineType(3), nullptr);
    EXPECT_EQ(host.GetMachineType(-1), nullptr);

    CMachineInfo* info = nullptr;
    CMachine* machine = host.CreateMachineByName("ZT Twin", &info);
    EXPECT_EQ(info, first);
    EXPECT_EQ(machine->parameterCount, 1);
    machine->Release();

    EXPECT_EQ(host.FindMachineInfo("VelmPlug::ZT Twin-A"), first);
    EXPECT_EQ(host.FindMachineInfo("VelmPlug::ZT Twin-B"), second);
    EXPECT_EQ(host.FindMachineInfo("VelmPlug::ZT Missing"), nullptr);

    try {
        host.CreateMachineByName("ZT Missing", &info);
        FAIL() << "no error raised";
    } catch (const CError& error) {
        EXPECT_STREQ(error.Text(), "Machine <ZT Missing> Not Found");
    }
}

namespace {

class COwnerSpy : public CMachineOwner {
public:
    void OwnerParameterChanged(CMachine* machine, int32_t index, double value) override
    {
        ++calls;
        machine->SetParameter(index, value);
    }
    int calls = 0;
};

} // namespace

TEST(VelmHostTest, AutomatedParametersGoThroughTheOwner)
{
    CVelmHost host(44100, 256, 0);
    CParameterMachine machine(&host, 2);
    machine.SetParameterAutomated(1, 0.25);
    EXPECT_EQ(machine.values[1], 0.25);
    EXPECT_EQ(machine.setCalls, 2) << "host sets it, then the machine's own SetParameter";

    COwnerSpy owner;
    machine.owner = &owner;
    machine.SetParameterAutomated(0, 0.75);
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(machine.values[0], 0.75);
}
