#include "machines/CHDTrackList.h"
#include "machines/CHDTrack.h"
#include <algorithm>

CHDTrackList::~CHDTrackList()
{
    for (const auto& track : Tracks()) {
        CLockGuard<CMutex> lock(*track);
        track->Close();
    }
}

CHDTrackList& CHDTrackList::Shared()
{
    static CHDTrackList list;
    return list;
}

void CHDTrackList::Add(const std::shared_ptr<CHDTrack>& track)
{
    std::lock_guard<std::mutex> lock(mutex);
    tracks.push_back(track);
    revision.fetch_add(1, std::memory_order_acq_rel);
}

void CHDTrackList::Remove(const CHDTrack* track)
{
    std::lock_guard<std::mutex> lock(mutex);
    tracks.erase(std::remove_if(tracks.begin(), tracks.end(), [&](const auto& t) { return t.get() == track; }),
                 tracks.end());
    revision.fetch_add(1, std::memory_order_acq_rel);
}

int32_t CHDTrackList::Count()
{
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int32_t>(tracks.size());
}

std::shared_ptr<CHDTrack> CHDTrackList::Track(int32_t index)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (index < 0 || index >= static_cast<int32_t>(tracks.size()))
        return nullptr;
    return tracks[index];
}

std::vector<std::shared_ptr<CHDTrack>> CHDTrackList::Tracks()
{
    std::lock_guard<std::mutex> lock(mutex);
    return tracks;
}

void CHDTrackList::OpenAll()
{
    auto all = Tracks();
    for (const auto& track : all)
        track->Lock();
    for (const auto& track : all)
        track->Open();
    for (const auto& track : all)
        track->Unlock();
}

void CHDTrackList::CloseAll()
{
    auto all = Tracks();
    for (const auto& track : all)
        track->Lock();
    for (const auto& track : all)
        track->Close();
    for (const auto& track : all)
        track->Unlock();
}
