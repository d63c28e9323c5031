#pragma once
#include "machines/CHDDiskWriter.h"
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class CHDTrack;

// The HD recorder's tracks in the order their machines were made, and the
// disk thread that writes their files.
class CHDTrackList {
public:
    CHDTrackList() = default;
    ~CHDTrackList();

    void Add(const std::shared_ptr<CHDTrack>& track);
    void Remove(const CHDTrack* track);
    int32_t Count();
    std::shared_ptr<CHDTrack> Track(int32_t index);
    std::vector<std::shared_ptr<CHDTrack>> Tracks();
    // Rises when tracks come or go, so that the recorder view can rebuild.
    uint32_t Revision() const { return revision.load(std::memory_order_acquire); }

    // "Record Stream": every track is locked first, so that all start (or
    // stop) with the same block.
    void OpenAll();
    void CloseAll();

    CHDDiskWriter& Writer() { return writer; }

    // The program's list, shared by both track types.
    static CHDTrackList& Shared();

private:
    std::mutex mutex;
    std::vector<std::shared_ptr<CHDTrack>> tracks;
    std::atomic<uint32_t> revision{0};
    CHDDiskWriter writer;
};
