#pragma once
#include "sequencer/CSequencer.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include <cstdint>
#include <functional>
#include <string>

// A studio ready for a project: the host at a sample rate and block size
// with its machine types, the studio graph, the sequencer plugged into it
// and the project information text. The program's headless commands build
// one; tests build one with their own machine types.
class CStudioSession {
public:
    using TypeRegistration = std::function<void(CVelmHost& host)>;

    // `registerTypes` registers the machine types (the master among them).
    CStudioSession(int32_t sampleRate, int32_t blockSize, const TypeRegistration& registerTypes);
    CStudioSession(const CStudioSession&) = delete;
    CStudioSession& operator=(const CStudioSession&) = delete;

    CVelmHost& Host() { return host; }
    CStudio& Studio() { return studio; }
    CSequencer& Sequencer() { return sequencer; }
    std::string& Information() { return information; }

    // Only the master.
    void NewProject();
    // Clears the studio and loads the file (see CProjectFile::Load); the
    // number of machines that could not be made.
    int32_t LoadProject(const std::string& path);
    void SaveProject(const std::string& path);

    // The song's length in frames at the current tempo and sample rate.
    int64_t SongFrames();

private:
    CVelmHost host;
    CStudio studio;
    CSequencer sequencer;
    std::string information;
};
