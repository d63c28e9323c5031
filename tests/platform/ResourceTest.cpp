#include "platform/OsResources.h"
#include "support/RaisedText.h"
#include "ui/CPicture.h"
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string BinaryText()
{
    const unsigned char* data = nullptr;
    size_t size = 0;
    if (!platform::FindResource("BINARY", 149, &data, &size))
        return "<none>";
    return std::string(reinterpret_cast<const char*>(data), size);
}

} // namespace

TEST(ResourceTest, ResourcesAreFoundByTypeAndNumber)
{
    EXPECT_EQ(BinaryText(), "Velmora BINARY resource, found by number.\n");
    const unsigned char* data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(platform::FindResource("PNG", 7, &data, &size));
    EXPECT_EQ(size, std::filesystem::file_size(std::string(ARTWORK_DIR) + "/knob.png"));
    EXPECT_EQ(std::memcmp(data, "\x89PNG", 4), 0);
    EXPECT_FALSE(platform::FindResource("PNG", 149, &data, &size));
    EXPECT_FALSE(platform::FindResource("BINARY", 7, &data, &size));
    EXPECT_FALSE(platform::FindResource("PNG", 9, &data, &size));
}

TEST(ResourceTest, PicturesLoadFromTheProgramsResources)
{
    CPicture knob;
    EXPECT_EQ(knob.LoadResource(7), 2048);
    EXPECT_EQ(knob.width, 32);
    EXPECT_TRUE(knob.alpha);
    EXPECT_EQ(knob.clipRight, 32);
    EXPECT_EQ(knob.clipBottom, 2048);
    CPicture button;
    EXPECT_EQ(button.LoadResource(8), 18);
    EXPECT_EQ(button.width, 28);
    CPicture missing;
    EXPECT_EQ(RaisedText([&] { missing.LoadResource(9); }), "PNG Resource 9 Not Found");
    EXPECT_FALSE(missing.HasPixels());
}

TEST(ResourceTest, ALoadedLibraryFindsItsOwnResourcesUnderTheSameNumbers)
{
    void* module = dlopen(RESOURCE_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using WidthFunction = int32_t (*)(uint16_t);
    using SizeFunction = size_t (*)(uint16_t);
    auto width = reinterpret_cast<WidthFunction>(dlsym(module, "ResourceModulePictureWidth"));
    auto binarySize = reinterpret_cast<SizeFunction>(dlsym(module, "ResourceModuleBinarySize"));
    ASSERT_NE(width, nullptr);
    ASSERT_NE(binarySize, nullptr);
    EXPECT_EQ(width(7), 240); // the library's panel picture, not the program's knob
    EXPECT_EQ(binarySize(149), std::filesystem::file_size(std::string(ARTWORK_DIR) + "/about.png"));
    EXPECT_EQ(binarySize(8), 0u);
    // And the program still finds its own.
    CPicture knob;
    knob.LoadResource(7);
    EXPECT_EQ(knob.width, 32);
    EXPECT_EQ(BinaryText(), "Velmora BINARY resource, found by number.\n");
    // Libraries stay loaded until the process ends, as machine libraries do.
}
