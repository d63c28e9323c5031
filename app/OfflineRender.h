#pragma once
#include <cstdint>
#include <functional>

class CStudioSession;

// Receives each rendered block: planar channels and their frame count.
using BlockSink = std::function<void(const double* const* channels, int32_t frames)>;
// Told the frames done so far and the total.
using RenderProgress = std::function<void(int64_t done, int64_t total)>;

// Plays the session's song from its start through the render cycle, block
// after block as fast as the machines allow, into `sink`: exactly `frames`
// stereo frames (the last block is cut). The studio is prepared for two
// channels at the host's rate and block size, as a driver would; the song
// is stopped again at the end.
void RenderSong(CStudioSession& session, int64_t frames, const BlockSink& sink, const RenderProgress& progress = {});
