#include "framework/BankLoading.h"
#include "studio/CVelmHost.h"
#include "support/TestMachines.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class CRecordingClient : public CBankClient {
public:
    CRecordingClient(CHost* host, std::vector<std::string>* log, const char* tag) : CBankClient(host), log(log), tag(tag) {}
    void BankAdded(int32_t bank) override
    {
        log->push_back(tag + ":bank" + std::to_string(bank) + (IsLocked() ? ":locked" : ":unlocked"));
        if (addFromInside) {
            int32_t index;
            insideResult = bankServer->AddBank("nested", &index);
            registerInsideResult = bankServer->RegisterClient(this);
        }
    }
    void BankInformationAdded(int32_t bank, int32_t entry) override
    {
        log->push_back(tag + ":info" + std::to_string(bank) + "." + std::to_string(entry));
    }
    void PresetAdded(int32_t bank, int32_t preset) override
    {
        log->push_back(tag + ":preset" + std::to_string(bank) + "." + std::to_string(preset));
    }
    std::vector<std::string>* log;
    std::string tag;
    bool addFromInside = false;
    int32_t insideResult = -1;
    int32_t registerInsideResult = -1;
};

class BankServerTest : public ::testing::Test {
protected:
    CVelmHost host{44100, 256, 0};
    CHostBankServer& server = host.BankServer();
    std::vector<std::string> log;
};

} // namespace

TEST_F(BankServerTest, RegistrationCodes)
{
    CRecordingClient client(&host, &log, "a");
    EXPECT_EQ(server.RegisterClient(&client), BANK_NOT_LOCKED);
    server.Lock();
    EXPECT_EQ(server.RegisterClient(&client), BANK_DONE);
    EXPECT_EQ(server.RegisterClient(&client), BANK_ALREADY);
    EXPECT_EQ(server.UnregisterClient(&client), BANK_DONE);
    EXPECT_EQ(server.UnregisterClient(&client), BANK_ALREADY);
    server.Unlock();
}

TEST_F(BankServerTest, ChangesNeedTheLock)
{
    int32_t index = -1;
    EXPECT_EQ(server.AddBank("bank.sf2", &index), BANK_NOT_LOCKED);
    EXPECT_EQ(server.GetBankCount(), 0);
    EXPECT_EQ(index, -1);
    int32_t length;
    EXPECT_EQ(server.GetBankNameLength(0, &length), BANK_NOT_LOCKED);
    EXPECT_EQ(server.AddPreset(0, "Piano", &index), BANK_NOT_LOCKED);
}

TEST_F(BankServerTest, ClientsHearAdditionsInOrderWithTheirLockHeld)
{
    CRecordingClient first(&host, &log, "a"), second(&host, &log, "b");
    ASSERT_EQ(first.ConnectBankServer(), BANK_DONE);
    ASSERT_EQ(second.ConnectBankServer(), BANK_DONE);
    EXPECT_EQ(first.ConnectBankServer(), BANK_ALREADY);

    server.Lock();
    int32_t bank, entry, preset;
    ASSERT_EQ(server.AddBank("GM.sf2", &bank), BANK_DONE);
    ASSERT_EQ(server.AddBankInformation(bank, "SoundFont Version", "2.1", &entry), BANK_DONE);
    ASSERT_EQ(server.AddPreset(bank, "Acoustic Grand Piano", &preset), BANK_DONE);
    EXPECT_EQ(server.AddPreset(1, "x", &preset), BANK_BAD_INDEX);
    EXPECT_EQ(server.AddBankInformation(-1, "k", "v", &entry), BANK_BAD_INDEX);
    server.Unlock();

    EXPECT_EQ(log, (std::vector<std::string>{"a:bank0:locked", "b:bank0:locked", "a:info0.0", "b:info0.0",
                                             "a:preset0.0", "b:preset0.0"}));

    EXPECT_EQ(second.DisconnectBankServer(), BANK_DONE);
    EXPECT_EQ(second.DisconnectBankServer(), BANK_NOT_CONNECTED);
    EXPECT_EQ(server.GetClientCount(), 1);
}

TEST_F(BankServerTest, AClientCannotChangeTheServerFromANotification)
{
    CRecordingClient client(&host, &log, "a");
    client.addFromInside = true;
    ASSERT_EQ(client.ConnectBankServer(), BANK_DONE);
    server.Lock();
    int32_t bank;
    EXPECT_EQ(server.AddBank("outer", &bank), BANK_DONE);
    server.Unlock();
    EXPECT_EQ(client.insideResult, BANK_BUSY);
    EXPECT_EQ(client.registerInsideResult, BANK_BUSY);
    EXPECT_EQ(server.GetBankCount(), 1);
    // Not busy any more afterwards.
    server.Lock();
    client.addFromInside = false;
    EXPECT_EQ(server.AddBank("second", &bank), BANK_DONE);
    EXPECT_EQ(bank, 1);
    server.Unlock();
}

TEST_F(BankServerTest, TextsAndLengths)
{
    server.Lock();
    int32_t bank, entry, preset;
    server.AddBank("timgm6mb.sf2", &bank);
    server.AddBankInformation(bank, "Sound Engine", "EMU8000", &entry);
    server.AddPreset(bank, "Twenty Char Preset!!", &preset);
    int32_t length = 0;
    ASSERT_EQ(server.GetPresetNameLength(bank, preset, &length), BANK_DONE);
    EXPECT_EQ(length, 20);
    std::string name(static_cast<size_t>(length) + 1, '?');
    ASSERT_EQ(server.GetPresetName(bank, preset, name.data()), BANK_DONE);
    EXPECT_STREQ(name.c_str(), "Twenty Char Preset!!");
    ASSERT_EQ(server.GetBankNameLength(bank, &length), BANK_DONE);
    EXPECT_EQ(length, 12);
    int32_t count = 0;
    EXPECT_EQ(server.GetInformationCount(bank, &count), BANK_DONE);
    EXPECT_EQ(count, 1);
    server.GetInformationValueLength(bank, 0, &length);
    std::string value(static_cast<size_t>(length) + 1, '?');
    server.GetInformationValue(bank, 0, value.data());
    EXPECT_STREQ(value.c_str(), "EMU8000");
    EXPECT_EQ(server.GetInformationKey(bank, 1, value.data()), BANK_BAD_INDEX);
    EXPECT_EQ(server.GetPresetCount(bank, nullptr), BANK_BAD_INDEX);
    EXPECT_EQ(server.GetPresetName(bank, 1, name.data()), BANK_BAD_INDEX);
    server.Unlock();
}

TEST_F(BankServerTest, AConnectedMachineUnregistersWhenDestroyed)
{
    {
        CParameterMachine machine(&host, 1);
        ASSERT_EQ(machine.ConnectBankServer(), BANK_DONE);
        EXPECT_EQ(server.GetClientCount(), 1);
    }
    EXPECT_EQ(server.GetClientCount(), 0);
}

TEST_F(BankServerTest, LoadingABankAddsEverythingUnderTheLockInOrder)
{
    CRecordingClient client(&host, &log, "a");
    ASSERT_EQ(client.ConnectBankServer(), BANK_DONE);
    BankContents contents{"bank.sf2", {{"SoundFont Version", "2.1"}, {"Product", "Test"}}, {"Piano", "Organ"}};
    int32_t bank = -1;
    EXPECT_EQ(LoadBankIntoServer(&server, contents, &bank), BANK_DONE);
    EXPECT_EQ(bank, 0);
    EXPECT_FALSE(server.IsLocked());
    EXPECT_EQ(log, (std::vector<std::string>{"a:bank0:locked", "a:info0.0", "a:info0.1", "a:preset0.0", "a:preset0.1"}));

    // A load started from inside a notification fails with the busy code and
    // leaves the server unlocked afterwards.
    client.addFromInside = true;
    EXPECT_EQ(LoadBankIntoServer(&server, contents, &bank), BANK_DONE);
    EXPECT_EQ(client.insideResult, BANK_BUSY);
    EXPECT_FALSE(server.IsLocked());
    EXPECT_EQ(server.GetBankCount(), 2);
}
