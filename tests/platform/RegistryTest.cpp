#include "support/AudioTestEnvironment.h"
#include "platform/OsComponent.h"
#include "platform/OsRegistry.h"
#include <fstream>
#include <gtest/gtest.h>

using namespace platform;

namespace {

std::string Write(const std::string& folder, const std::string& name, const std::string& text)
{
    std::string path = folder + "/" + name;
    std::ofstream(path) << text;
    return path;
}

} // namespace

TEST(RegistryTest, ReadsKeysAndValuesAndMergesFilesEarlierFirst)
{
    std::string user = testenv::PrivateFolder("registry-user");
    std::string program = testenv::PrivateFolder("registry-program");
    std::string first = Write(user, "a.reg",
                              "; the user's\n"
                              "[HKEY_LOCAL_MACHINE\\software\\asio\\Mine]\n"
                              "\"clsid\"=\"{11111111-2222-3333-4444-555555555555}\"\n"
                              "\"description\"=\"My \\\"Own\\\" C:\\\\Driver\"\n"
                              "\n"
                              "[HKEY_CLASSES_ROOT\\clsid\\{11111111-2222-3333-4444-555555555555}\\InprocServer32]\n"
                              "@=\"mine.so\"\n");
    std::string second = Write(program, "b.reg",
                               "[hkey_local_machine\\SOFTWARE\\ASIO\\JACK]\n"
                               "\"clsid\"=\"{aaaaaaaa-2222-3333-4444-555555555555}\"\n"
                               "[HKEY_LOCAL_MACHINE\\software\\asio\\mine]\n"
                               "\"description\"=\"Overridden\"\n"
                               "\"extra\"=\"kept\"\n");
    Registry registry;
    ASSERT_TRUE(registry.Load(first));
    ASSERT_TRUE(registry.Load(second));
    ASSERT_TRUE(registry.Load(user + "/missing.reg")); // nothing to merge

    const RegistryKey* asio = registry.Open("HKEY_LOCAL_MACHINE\\software\\asio");
    ASSERT_NE(asio, nullptr);
    ASSERT_EQ(asio->SubkeyCount(), 2u);
    EXPECT_EQ(asio->Subkey(0)->Name(), "Mine");
    EXPECT_EQ(asio->Subkey(1)->Name(), "JACK");
    EXPECT_EQ(asio->Subkey(2), nullptr);
    std::string value;
    ASSERT_TRUE(asio->Subkey(0)->Query("DESCRIPTION", value));
    EXPECT_EQ(value, "My \"Own\" C:\\Driver"); // the earlier file wins
    ASSERT_TRUE(asio->Subkey(0)->Query("extra", value));
    EXPECT_EQ(value, "kept");
    EXPECT_FALSE(asio->Subkey(0)->Query("", value));
    EXPECT_EQ(asio->Subkey(0)->Origin(), user);
    EXPECT_EQ(asio->Subkey(1)->Origin(), program);

    const RegistryKey* server =
        registry.Open("HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}\\inprocserver32");
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(server->Query("", value));
    EXPECT_EQ(value, "mine.so");
    EXPECT_EQ(registry.Open("HKEY_CLASSES_ROOT\\clsid\\{nothing}"), nullptr);
}

TEST(RegistryTest, AMalformedFileIsRefusedWhole)
{
    std::string folder = testenv::PrivateFolder("registry-bad");
    const char* broken[] = {
        "[HKEY_LOCAL_MACHINE\\software\\asio\\A]\n\"clsid\"=\"{x}\"\ngarbage here\n",
        "\"clsid\"=\"{x}\"\n",                                       // a value before any key
        "[HKEY_LOCAL_MACHINE\\software\\asio\\A]\n\"clsid\"=\"{x}\n", // unterminated
        "[HKEY_LOCAL_MACHINE\\software\\asio\\A]\n\"clsid\"=\"{x}\" trailing\n",
        "[HKEY_LOCAL_MACHINE\\software\\asio\\A]\n\"a\\qb\"=\"1\"\n", // unknown escape
        "[HKEY_LOCAL_MACHINE\\software\\asio\\A\n",
    };
    for (const char* text : broken) {
        Registry registry;
        std::string error;
        EXPECT_FALSE(registry.Load(Write(folder, "bad.reg", text), &error)) << text;
        EXPECT_NE(error.find("bad.reg:"), std::string::npos);
        EXPECT_EQ(registry.Open("HKEY_LOCAL_MACHINE\\software\\asio\\A"), nullptr) << text;
    }
}

TEST(RegistryTest, ClassIdsReadOnlyInTheirOneForm)
{
    ClassId id{};
    ASSERT_TRUE(ClassIdFromString("{6A1F3C2E-9B47-4d85-A0E3-7C5B2D914F68}", &id));
    EXPECT_EQ(id.data1, 0x6A1F3C2Eu);
    EXPECT_EQ(id.data2, 0x9B47);
    EXPECT_EQ(id.data3, 0x4D85);
    const uint8_t tail[8] = {0xA0, 0xE3, 0x7C, 0x5B, 0x2D, 0x91, 0x4F, 0x68};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(id.data4[i], tail[i]);
    ClassId same{};
    ASSERT_TRUE(ClassIdFromString("{6a1f3c2e-9b47-4d85-a0e3-7c5b2d914f68}", &same));
    EXPECT_EQ(id, same);

    ClassId untouched = id;
    for (const char* text : {"6A1F3C2E-9B47-4D85-A0E3-7C5B2D914F68", "{6A1F3C2E-9B47-4D85-A0E3-7C5B2D914F6}",
                             "{6A1F3C2E-9B47-4D85-A0E37C5B2D914F688}", "{6A1F3C2G-9B47-4D85-A0E3-7C5B2D914F68}", ""}) {
        EXPECT_FALSE(ClassIdFromString(text, &id)) << text;
        EXPECT_EQ(id, untouched);
    }
}
