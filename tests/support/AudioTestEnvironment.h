#pragma once
// Gives a test process its own sound devices and configuration folder. Call
// from a namespace-scope initializer, before anything lists devices: the
// device list is made once per process.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace testenv {

// ALSA's system configuration (for the plug-in types) plus the test devices
// of tests/audio/TestDevices.conf: "velmora_test" (a file capture named by
// VELMORA_TEST_PCM_FILE), "velmora_mono" (mono only), "velmora_gone" (fails
// to open while VELMORA_TEST_GONE names a missing card).
inline bool UseTestDevices()
{
    std::string path = "/usr/share/alsa/alsa.conf:" VELMORA_SOURCE_DIR "/tests/audio/TestDevices.conf";
    setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
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

} // namespace testenv
