// Work calls allocate nothing: this program counts every operator new and
// malloc-free allocation made while a machine processes, after the machine
// has been set up for its block size.
#include "MachineDriver.h"
#include "coremachines/CCrunch.h"
#include "coremachines/CDistort.h"
#include "coremachines/CDudeRivi.h"
#include "coremachines/CDizodirEzav.h"
#include "coremachines/CDrumKit.h"
#include "coremachines/CEcho.h"
#include "coremachines/CKick.h"
#include "coremachines/CMixer.h"
#include "coremachines/CStereoJoiner.h"
#include "coremachines/CStereoSplitter.h"
#include "coremachines/CViziRavezFilter.h"
#include "coremachines/DudeRiviParameters.h"
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {

std::atomic<int64_t> allocations{0};

void* Allocate(size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

} // namespace

void* operator new(size_t size)
{
    return Allocate(size);
}
void* operator new[](size_t size)
{
    return Allocate(size);
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory, size_t) noexcept
{
    std::free(memory);
}

namespace {

// Allocations made by `blocks` work calls, events pushed beforehand.
int64_t CountDuring(CMachine* machine, int32_t controlPort, int32_t blocks, const std::vector<MachineEvent>& events)
{
    const int64_t before = allocations.load();
    for (int32_t b = 0; b < blocks; ++b) {
        if (controlPort >= 0) {
            for (const MachineEvent& e : events)
                machine->ports[controlPort]->controlBuffer->PushEvent(&e);
        }
        machine->Process();
        if (controlPort >= 0)
            machine->ports[controlPort]->controlBuffer->Clear();
    }
    return allocations.load() - before;
}

MachineEvent Note(int32_t time, int32_t kind, int32_t key)
{
    double hz = 0.0;
    TestHost().GetNoteFrequency(key, &hz);
    return MakeEvent(time, kind, key, 0.9, hz);
}

} // namespace

TEST(NoAllocationTest, WorkCallsAllocateNothing)
{
    std::unique_ptr<CDudeRivi, MachineReleaser> dude(new CDudeRivi(&TestHost(), &TestTables(), true));
    std::unique_ptr<CCrunch, MachineReleaser> crunch(new CCrunch(&TestHost()));
    std::unique_ptr<CDistort, MachineReleaser> distort(new CDistort(&TestHost()));
    std::unique_ptr<CEcho, MachineReleaser> echo(new CEcho(&TestHost(), &TestTables()));
    // Everything that changes the sound's structure: noise, ring, formant,
    // every LFO routed, random shapes, sync, glide, saturation.
    for (auto [index, value] : {std::pair<int32_t, double>{dude::NOISE, 0.5}, {dude::RING_MOD, 0.5}, {dude::FORMANT_MIX, 0.5},
                                {dude::FORMANT_VOWEL, 0.6}, {dude::SYNC, 1.0}, {dude::GLIDE, 0.5},
                                {dude::SATURATION, 0.9}, {dude::FILTER_ROUTING, 0.5},
                                {dude::LFO1_RATE + dude::LFO_SEND_1, 0.3}, {dude::LFO2_RATE + dude::LFO_SHAPE, 0.7},
                                {dude::LFO2_RATE + dude::LFO_SEND_1, 0.9}, {dude::LFO3_RATE + dude::LFO_SHAPE, 0.9},
                                {dude::LFO3_RATE + dude::LFO_SEND_1, 1.0}, {dude::LFO1_RATE + dude::LFO_FADE_IN, 0.3}})
        dude->SetParameter(index, value);
    echo->SetParameter(4, 1.0);  // LFO amount of line 1
    echo->SetParameter(15, 0.8); // dry level of line 2

    // Set-up (the first blocks apply the queued defaults) may allocate.
    std::vector<MachineEvent> notes;
    for (int32_t k = 0; k < 20; ++k)
        notes.push_back(Note(k * 12, EVENT_NOTE_ON, 40 + k));
    CountDuring(dude.get(), 0, 4, notes);

    std::vector<MachineEvent> busy;
    for (int32_t k = 0; k < 8; ++k) {
        busy.push_back(Note(k * 30, EVENT_NOTE_ON, 50 + k));
        busy.push_back(Note(k * 30 + 15, EVENT_NOTE_OFF, 50 + k));
        busy.push_back(MakeEvent(k * 30 + 7, EVENT_CONTROL_CHANGE, dude::VCF1_CUTOFF, 0.1 * k));
    }
    EXPECT_EQ(CountDuring(dude.get(), 0, 200, busy), 0);

    const std::vector<MachineEvent> knobs = {MakeEvent(3, EVENT_CONTROL_CHANGE, 1, 0.9),
                                             MakeEvent(100, EVENT_CONTROL_CHANGE, 3, 0.4)};
    EXPECT_EQ(CountDuring(crunch.get(), 0, 200, knobs), 0);
    EXPECT_EQ(CountDuring(distort.get(), 0, 200, knobs), 0);
    EXPECT_EQ(CountDuring(echo.get(), -1, 200, {}), 0);

    // The machines of the drums, the desk and the room.
    std::unique_ptr<CDrumKit, MachineReleaser> kit(new CDrumKit(&TestHost(), &TestTables()));
    std::unique_ptr<CKick, MachineReleaser> kick(new CKick(&TestHost(), &TestTables()));
    std::unique_ptr<CMixer, MachineReleaser> mixer(new CMixer(&TestHost()));
    std::unique_ptr<CDizodirEzav, MachineReleaser> room(new CDizodirEzav(&TestHost(), &TestTables()));
    std::unique_ptr<CViziRavezFilter, MachineReleaser> filter(new CViziRavezFilter(&TestHost()));
    std::unique_ptr<CStereoSplitter, MachineReleaser> splitter(new CStereoSplitter(&TestHost()));
    std::unique_ptr<CStereoJoiner, MachineReleaser> joiner(new CStereoJoiner(&TestHost()));
    std::vector<MachineEvent> hits;
    for (int32_t k = 0; k < 11; ++k) {
        hits.push_back(Note(k * 20, EVENT_NOTE_ON, 36 + k));
        hits.push_back(MakeEvent(k * 20 + 5, EVENT_NOTE_ON_INT, k, 1.0));
        hits.push_back(MakeEvent(k * 20 + 9, EVENT_CONTROL_CHANGE, 3 * k, 0.7));
    }
    CountDuring(kit.get(), 0, 4, hits);
    EXPECT_EQ(CountDuring(kit.get(), 0, 200, hits), 0);
    const std::vector<MachineEvent> kicks = {Note(0, EVENT_NOTE_ON, 36), MakeEvent(40, EVENT_CONTROL_CHANGE, 6, 0.5),
                                             Note(128, EVENT_NOTE_ON, 40)};
    CountDuring(kick.get(), 0, 4, kicks);
    EXPECT_EQ(CountDuring(kick.get(), 0, 200, kicks), 0);
    mixer->SetSolo(2, true);
    mixer->SetMute(3, true);
    int64_t before = allocations.load();
    for (int32_t b = 0; b < 200; ++b) {
        mixer->Process();
        mixer->ProcessLate();
    }
    EXPECT_EQ(allocations.load() - before, 0);
    // The room recomputes its taps and tail inside the work call.
    before = allocations.load();
    for (int32_t b = 0; b < 200; ++b) {
        room->SetParameter(b % CDizodirEzav::kParameterCount, (b % 7) / 6.0);
        room->Process();
        filter->SetParameter(0, (b % 5) / 4.0);
        filter->Process();
        splitter->Process();
        joiner->Process();
    }
    EXPECT_EQ(allocations.load() - before, 0);

    // The counter does count: a machine made now allocates.
    before = allocations.load();
    std::unique_ptr<CCrunch, MachineReleaser> another(new CCrunch(&TestHost()));
    EXPECT_GT(allocations.load(), before);
}
