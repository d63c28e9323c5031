#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "studio/CVelmHost.h"
#include "support/TestMachines.h"
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Records the program-change depth seen by every parameter write.
class CProgramMachine : public CParameterMachine {
public:
    explicit CProgramMachine(CHost* host) : CParameterMachine(host, 2) {}
    void SetParameter(int32_t index, double value) override
    {
        depths.push_back(programChangeDepth);
        CParameterMachine::SetParameter(index, value);
    }
    std::vector<int32_t> depths;
};

// Uses the framework's SetParameter without overriding it.
class CBareMachine : public CMachine {
public:
    explicit CBareMachine(CHost* host) : CMachine(host) { parameterCount = 2; }
    void Process() override {}
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t) override {}
    bool IsGenerator() override { return true; }
    using CMachine::CreatePrograms;
};

std::vector<unsigned char> Blob(int32_t magic, int32_t count, const std::vector<double>& values, bool floats)
{
    std::vector<unsigned char> blob(8);
    std::memcpy(blob.data(), &magic, 4);
    std::memcpy(blob.data() + 4, &count, 4);
    for (double v : values) {
        size_t at = blob.size();
        if (floats) {
            float f = static_cast<float>(v);
            blob.resize(at + 4);
            std::memcpy(blob.data() + at, &f, 4);
        } else {
            blob.resize(at + 8);
            std::memcpy(blob.data() + at, &v, 8);
        }
    }
    return blob;
}

class MachineTest : public ::testing::Test {
protected:
    CVelmHost host{44100, 128, 0};
};

} // namespace

TEST_F(MachineTest, PortsTakeTheHostBlockSizeAndResizeTogether)
{
    CParameterMachine machine(&host, 1);
    ASSERT_EQ(machine.portCount, 2);
    CPort* control = machine.ports[0];
    CPort* line = machine.ports[1];
    EXPECT_EQ(control->flags, 18);
    EXPECT_STREQ(control->name, "Control In");
    EXPECT_NE(control->controlBuffer, nullptr);
    EXPECT_EQ(control->audioBuffer, nullptr);
    EXPECT_EQ(control->owner, &machine);
    EXPECT_EQ(line->flags, 289);
    ASSERT_NE(line->audioBuffer, nullptr);
    EXPECT_EQ(line->audioBuffer->length, 128);
    EXPECT_NE(line->audioBuffer->right, nullptr);
    machine.ResizeBuffers(512);
    EXPECT_EQ(line->audioBuffer->length, 512);
}

TEST_F(MachineTest, SaveStateWritesThePH64Blob)
{
    CParameterMachine machine(&host, 3);
    machine.values = {0.25, 0.5, 1.0};
    void* data = nullptr;
    int32_t size = 0;
    bool isParameterList = false;
    machine.SaveState(&data, &size, &isParameterList);
    ASSERT_EQ(size, 32);
    EXPECT_TRUE(isParameterList);
    auto* bytes = static_cast<unsigned char*>(data);
    EXPECT_EQ(bytes[0], 0x34);
    EXPECT_EQ(bytes[1], 0x36);
    EXPECT_EQ(bytes[2], 0x48);
    EXPECT_EQ(bytes[3], 0x50);
    int32_t count;
    std::memcpy(&count, bytes + 4, 4);
    EXPECT_EQ(count, 3);
    double last;
    std::memcpy(&last, bytes + 24, 8);
    EXPECT_EQ(last, 1.0);

    CParameterMachine copy(&host, 3);
    copy.LoadState(data, size, true);
    EXPECT_EQ(copy.values, machine.values);
    std::free(data);
}

TEST_F(MachineTest, LoadStateReadsFloatsOnlyForVmPh)
{
    CParameterMachine machine(&host, 2);
    auto floats = Blob(kParameterBlobFloats, 2, {0.125, 0.75}, true);
    machine.LoadState(floats.data(), static_cast<int32_t>(floats.size()), true);
    EXPECT_EQ(machine.values, (std::vector<double>{0.125, 0.75}));

    // Any other magic means doubles, even an unknown one.
    auto doubles = Blob(0x12345678, 2, {0.3, 0.6}, false);
    machine.LoadState(doubles.data(), static_cast<int32_t>(doubles.size()), false);
    EXPECT_EQ(machine.values, (std::vector<double>{0.3, 0.6}));
}

TEST_F(MachineTest, LoadStateNeverReadsPastTheBlob)
{
    CParameterMachine machine(&host, 4);
    machine.values = {9, 9, 9, 9};
    // Claims a million values but holds two.
    auto lying = Blob(kParameterBlobDoubles, 1000000, {0.1, 0.2}, false);
    machine.LoadState(lying.data(), static_cast<int32_t>(lying.size()), true);
    EXPECT_EQ(machine.values, (std::vector<double>{0.1, 0.2, 9, 9}));

    // A partial value at the end is not read either.
    auto partial = Blob(kParameterBlobFloats, 3, {0.5, 0.25}, true);
    partial.push_back(0xff);
    machine.LoadState(partial.data(), static_cast<int32_t>(partial.size()), true);
    EXPECT_EQ(machine.values, (std::vector<double>{0.5, 0.25, 9, 9}));

    auto negative = Blob(kParameterBlobDoubles, -5, {0.7}, false);
    machine.LoadState(negative.data(), static_cast<int32_t>(negative.size()), true);
    EXPECT_EQ(machine.values[0], 0.5);

    machine.setCalls = 0;
    machine.LoadState(lying.data(), 7, true);
    EXPECT_EQ(machine.setCalls, 0) << "a blob under 8 bytes is ignored";
}

TEST_F(MachineTest, SetParameterWithoutProgramsChangesNothingInTheBase)
{
    CBareMachine machine(&host);
    machine.SetParameter(0, 0.5);
    EXPECT_EQ(machine.programs, nullptr);
    char text[kMachineTextSize] = "x";
    machine.GetProgramName(text);
    EXPECT_STREQ(text, "");
    machine.SetProgramName("ignored");
    machine.GetProgramNameIndexed(0, text);
    EXPECT_STREQ(text, "");
}

TEST_F(MachineTest, ProgramsStoreEditsAndReloadThemInsideAProgramChange)
{
    CProgramMachine machine(&host);
    machine.values = {0.1, 0.2};
    machine.CreatePrograms(3);
    char text[kMachineTextSize];
    machine.GetProgramNameIndexed(2, text);
    EXPECT_STREQ(text, "Program 002");
    machine.GetProgramNameIndexed(3, text);
    EXPECT_STREQ(text, "");
    machine.GetProgramNameIndexed(-1, text);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(machine.programs[1].values[1], 0.2);

    machine.SetParameter(0, 0.9); // current program 0 takes the edit
    EXPECT_EQ(machine.programs[0].values[0], 0.9);
    machine.SetParameter(5, 0.9); // out of range: ignored, no crash

    machine.depths.clear();
    machine.SetProgram(1);
    EXPECT_EQ(machine.GetProgram(), 1);
    EXPECT_EQ(machine.values, (std::vector<double>{0.1, 0.2}));
    EXPECT_EQ(machine.depths, (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(machine.programChangeDepth, 0);

    machine.SetProgramName("Bright Lead");
    machine.GetProgramName(text);
    EXPECT_STREQ(text, "Bright Lead");
    std::string tooLong(300, 'n');
    machine.SetProgramName(tooLong.c_str());
    machine.GetProgramName(text);
    EXPECT_EQ(std::strlen(text), static_cast<size_t>(kProgramNameSize - 1));
}

TEST_F(MachineTest, NameAndDefaults)
{
    CBareMachine machine(&host);
    EXPECT_STREQ(machine.GetName(), "");
    machine.SetName("ZT Vorize 1");
    machine.SetName("ZT Vorize 2");
    EXPECT_STREQ(machine.GetName(), "ZT Vorize 2");
    int32_t t, l, r, b;
    EXPECT_FALSE(machine.GetGUIRect(&t, &l, &r, &b));
    EXPECT_EQ(machine.CreateGUI(nullptr), nullptr);
    EXPECT_EQ(machine.GetParameter(0), 0.0);
    char text[kMachineTextSize] = "x";
    machine.GetParameterDisplay(0, text);
    EXPECT_STREQ(text, "");
    EXPECT_TRUE(machine.HasBankServer()) << "the studio host offers a bank server";
}

TEST_F(MachineTest, ReleaseDestroysThroughTheMachineItself)
{
    CParameterMachineInfo info(&host, "ZT Test", "VelmPlug::ZT Test", 5);
    CMachine* machine = info.CreateMachine();
    EXPECT_EQ(machine->parameterCount, 5);
    machine->Release(); // leak checkers see anything left behind
}
