#pragma once
// Gives a test process its own sound devices and configuration folder. Call
// from a namespace-scope initializer, before anything lists devices: the
// device list is made once per process.
#include "framework/Errors.h"
#include "platform/OsWaveOut.h"
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace testenv {

// Only the test devices of tests/audio/TestDevices.conf: "velmora_test" (a
// file capture named by VELMORA_TEST_PCM_FILE), "velmora_mono" (mono only),
// "velmora_gone" (fails to open while VELMORA_TEST_GONE names a missing
// card), "velmora_broken" (never opens).
inline bool UseTestDevices()
{
    setenv("ALSA_CONFIG_PATH", VELMORA_SOURCE_DIR "/tests/audio/TestDevices.conf", 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    return true;
}

// No sound device at all.
inline bool UseNoDevices()
{
    setenv("ALSA_CONFIG_PATH", VELMORA_SOURCE_DIR "/tests/audio/NoDevices.conf", 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    return true;
}

// A fresh folder of this process under the test folder.
inline std::string PrivateFolder(const std::string& name)
{
    std::filesystem::path folder =
        std::filesystem::path(VELMORA_TEST_DIR) / "scratch" / (name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

// An empty configuration folder: no options file, no driver registry.
inline std::string UsePrivateConfigFolder(const std::string& name)
{
    std::string folder = PrivateFolder(name);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    return folder;
}

// The index of the "Wave Out" device of that ALSA name; -1 when unlisted.
inline int32_t WaveOutDeviceIndex(const std::string& name)
{
    for (uint32_t i = 0; i < platform::WaveOutGetNumDevs(); ++i) {
        platform::WaveOutCaps caps;
        if (platform::WaveOutGetDevCaps(i, &caps) == platform::WAVE_NOERROR && caps.name == name)
            return static_cast<int32_t>(i);
    }
    return -1;
}

// Collects the texts of the error boxes shown while it lives (from any
// thread) instead of printing them.
class CShownMessages {
public:
    CShownMessages()
    {
        Texts().clear();
        SetShowHandler(Collect);
    }
    ~CShownMessages() { SetShowHandler(nullptr); }

    std::vector<std::string> Shown()
    {
        std::lock_guard lock(Mutex());
        return Texts();
    }

private:
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::vector<std::string>& Texts()
    {
        static std::vector<std::string> texts;
        return texts;
    }
    static void Collect(const char*, const char* text)
    {
        std::lock_guard lock(Mutex());
        Texts().push_back(text);
    }
};

} // namespace testenv
