#pragma once
#include <cstdint>

class CHostMutex;

// The sequencer as the studio sees it: the pattern editor's lock, the two
// per-block steps, the clock settings and clearing. The studio holds at
// most one; without it the steps are skipped.
//
// Design note: the render cycle calls, with the studio lock held,
// PatternLock().Lock(), PatternStep(), SongStep(), processes every machine,
// then PatternLock().Unlock(). SetSampleRate and SetBlockSize are called with
// the pattern lock held, before the machines hear of the change. Clear calls
// ClearSequence() and then, with the pattern lock held, ClearPatterns().
class CStudioSequencer {
public:
    virtual CHostMutex& PatternLock() = 0;
    // Push this block's events into control buffers or deferred buffers.
    virtual void PatternStep() = 0;
    virtual void SongStep() = 0;
    virtual void SetSampleRate(int32_t hz) = 0;
    virtual void SetBlockSize(int32_t frames) = 0;
    virtual void ClearSequence() = 0;
    virtual void ClearPatterns() = 0;

protected:
    ~CStudioSequencer() = default;
};
