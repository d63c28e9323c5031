// Plug-in machines with their idle thread, editors and callbacks from other
// threads (also run under ThreadSanitizer).
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CPort.h"
#include "platform/OsThread.h"
#include "studio/CVSTAdapterList.h"
#include "studio/CVSTEditorWindows.h"
#include "studio/CVelmHost.h"
#include "studio/VSTHostCallback.h"
#include "support/TestPlugIns.h"
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

TestPlugInReport LockedReport(CVSTAdapter* adapter)
{
    CLockGuard guard(*adapter);
    return ReportOf(adapter);
}

// Polls until the condition holds; never a tight deadline.
bool Eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        platform::SleepMilliseconds(10);
    }
    return condition();
}

class RecordingWindows : public CVSTEditorWindows {
public:
    CControl* CreateChild(CControl* parent, const char* name, int32_t width, int32_t height) override
    {
        calls.push_back("create " + std::string(name) + " " + std::to_string(width) + "x" + std::to_string(height) +
                        (parent == Parent() ? " in parent" : ""));
        return Child();
    }
    void* GetNativeWindow(CControl* child) override { return child == Child() ? nativeWindow : nullptr; }
    void Show(CControl* child) override { calls.push_back(child == Child() ? "show" : "show ?"); }
    void Hide(CControl* child) override { calls.push_back(child == Child() ? "hide" : "hide ?"); }
    void Destroy(CControl* child) override { calls.push_back(child == Child() ? "destroy" : "destroy ?"); }
    bool CanOpenEditors() override { return canOpen; }
    void Resize(CControl* child, int32_t width, int32_t height) override
    {
        calls.push_back((child == Child() ? "resize " : "resize ? ") + std::to_string(width) + "x" +
                        std::to_string(height));
    }
    void AfterEditorCall() override { ++afterEditorCalls; }

    // Stand-ins for controls of the toolkit; only their identity matters.
    static CControl* Parent() { return reinterpret_cast<CControl*>(&tokens[0]); }
    static CControl* Child() { return reinterpret_cast<CControl*>(&tokens[1]); }

    std::vector<std::string> calls;
    void* nativeWindow = reinterpret_cast<void*>(0x4a00007);
    bool canOpen = true;
    int afterEditorCalls = 0;

private:
    static inline char tokens[2];
};

class WindowsInstalled {
public:
    explicit WindowsInstalled(CVSTEditorWindows* windows) { SetVSTEditorWindows(windows); }
    ~WindowsInstalled() { SetVSTEditorWindows(nullptr); }
};

class VSTAdapterThreadTest : public testing::Test {
protected:
    CVelmHost host{44100, 256, 0};
    CVSTAdapterInfo gainInfo{&host, TestVSTPath("gain"), VSTEntryKind::PluginMain, 0x41424344};
};

TEST_F(VSTAdapterThreadTest, IdleThreadServesPlugInsThatAskForIdleTime)
{
    AdapterPtr adapter = CreateAdapter(gainInfo);
    // The plug-in asked in effOpen; its third effIdle answers 0.
    ASSERT_TRUE(Eventually([&] { return LockedReport(adapter.get()).idleCalls >= 3; }));
    {
        CLockGuard guard(*adapter);
        EXPECT_FALSE(adapter->WantsIdle());
    }
    platform::SleepMilliseconds(50);
    EXPECT_EQ(LockedReport(adapter.get()).idleCalls, 3);

    // Asking again brings it back.
    PlugInAsks(adapter.get(), audioMasterIdle);
    ASSERT_TRUE(Eventually([&] { return LockedReport(adapter.get()).idleCalls >= 4; }));
}

TEST_F(VSTAdapterThreadTest, EditorCallsAndTheirOrder)
{
    RecordingWindows windows;
    WindowsInstalled installed(&windows);
    TestPlugInReport mirror{};
    {
        AdapterPtr adapter = CreateAdapter(gainInfo);
        {
            CLockGuard guard(*adapter);
            MirrorReport(adapter.get(), &mirror);
        }
        const int32_t created = mirror.opcodeCount;
        CControl* editor;
        {
            CLockGuard guard(*adapter);
            editor = adapter->CreateGUI(RecordingWindows::Parent());
        }
        ASSERT_EQ(editor, RecordingWindows::Child());
        EXPECT_EQ(windows.calls, (std::vector<std::string>{"create VST 200x300 in parent", "show"}));
        {
            CLockGuard guard(*adapter);
            // The size is asked again once open (some know it only then).
            EXPECT_EQ(std::vector<VstInt32>(mirror.opcodes + created, mirror.opcodes + mirror.opcodeCount),
                      (std::vector<VstInt32>{effEditGetRect, effEditOpen, effEditGetRect}));
            EXPECT_EQ(windows.afterEditorCalls, 3);
            EXPECT_EQ(mirror.editorWindow, windows.nativeWindow);
            // One editor at a time.
            EXPECT_EQ(adapter->CreateGUI(RecordingWindows::Parent()), nullptr);
            EXPECT_EQ(mirror.opcodeCount, created + 3);
            EXPECT_EQ(mirror.editIdleCalls, 0);
            adapter->ShowGUI();
        }
        // Editor idle comes from the GUI's timer round only, never from
        // the idle thread.
        platform::SleepMilliseconds(50);
        EXPECT_EQ(LockedReport(adapter.get()).editIdleCalls, 0);
        CVSTAdapterList::Get().EditorIdleRound();
        CVSTAdapterList::Get().EditorIdleRound();
        EXPECT_EQ(LockedReport(adapter.get()).editIdleCalls, 2);
        EXPECT_EQ(windows.afterEditorCalls, 5);
        {
            CLockGuard guard(*adapter);
            adapter->HideGUI();
        }
        CVSTAdapterList::Get().EditorIdleRound();
        EXPECT_EQ(LockedReport(adapter.get()).editIdleCalls, 2);

        // The plug-in resizes its editor.
        EXPECT_EQ(PlugInAsks(adapter.get(), audioMasterSizeWindow, 640, 480), 1);
        EXPECT_EQ(windows.calls.back(), "resize 640x480");
        windows.calls.clear();
    }
    // Destruction closes the editor before the plug-in.
    const std::vector<VstInt32> destruction = {effStopProcess, effMainsChanged, effEditClose, effClose};
    EXPECT_EQ(std::vector<VstInt32>(mirror.opcodes + mirror.opcodeCount - 4, mirror.opcodes + mirror.opcodeCount),
              destruction);
    EXPECT_EQ(windows.calls, std::vector<std::string>{"destroy"});
}

TEST_F(VSTAdapterThreadTest, NoEditorWithoutANativeWindowOrWithoutWindows)
{
    AdapterPtr adapter = CreateAdapter(gainInfo);
    {
        // No windows installed: the plug-in is not asked at all.
        CLockGuard guard(*adapter);
        const int32_t before = ReportOf(adapter.get()).opcodeCount;
        EXPECT_EQ(adapter->CreateGUI(RecordingWindows::Parent()), nullptr);
        EXPECT_EQ(ReportOf(adapter.get()).opcodeCount, before);
    }
    RecordingWindows windows;
    windows.nativeWindow = nullptr; // an off-screen platform
    WindowsInstalled installed(&windows);
    {
        CLockGuard guard(*adapter);
        EXPECT_EQ(adapter->CreateGUI(RecordingWindows::Parent()), nullptr);
        TestPlugInReport report = ReportOf(adapter.get());
        EXPECT_EQ(report.opcodes[report.opcodeCount - 1], effEditGetRect);
        EXPECT_EQ(report.editorWindow, nullptr);
        adapter->ShowGUI();
    }
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"create VST 200x300 in parent", "destroy"}));
    CVSTAdapterList::Get().EditorIdleRound();
    EXPECT_EQ(LockedReport(adapter.get()).editIdleCalls, 0);
    EXPECT_TRUE(adapter->CanOpenEditor());

    // Where windows cannot hold editors (off-screen, Wayland) the plug-in
    // is not asked and the command is greyed.
    windows.calls.clear();
    windows.canOpen = false;
    EXPECT_FALSE(adapter->CanOpenEditor());
    EXPECT_FALSE(CanOpenVSTEditors());
    {
        CLockGuard guard(*adapter);
        const int32_t before = ReportOf(adapter.get()).opcodeCount;
        EXPECT_EQ(adapter->CreateGUI(RecordingWindows::Parent()), nullptr);
        EXPECT_EQ(ReportOf(adapter.get()).opcodeCount, before);
    }
    EXPECT_TRUE(windows.calls.empty());

    // A plug-in without an editor gets none.
    CVSTAdapterInfo synthInfo(&host, TestVSTPath("synth"), VSTEntryKind::PluginMain, 0);
    AdapterPtr synth = CreateAdapter(synthInfo);
    windows.canOpen = true;
    EXPECT_FALSE(synth->CanOpenEditor());
    CLockGuard guard(*synth);
    EXPECT_EQ(synth->CreateGUI(RecordingWindows::Parent()), nullptr);
}

TEST_F(VSTAdapterThreadTest, CallbacksFromOtherThreadsWhileProcessing)
{
    AdapterPtr adapter = CreateAdapter(gainInfo);
    std::atomic<bool> stop{false};
    AEffect* effect = adapter->GetEffect();

    // The driver thread: blocks with events, under the machine lock.
    std::thread audio([&] {
        for (int block = 0; block < 300; ++block) {
            CLockGuard guard(*adapter);
            MachineEvent on = MakeEvent(block % 256, EVENT_NOTE_ON, 60, 1.0);
            adapter->GetControlPort()->controlBuffer->PushEvent(&on);
            adapter->Process();
        }
        stop = true;
    });
    // A plug-in's own thread asking the host, as editors do.
    std::thread plugin([&] {
        while (!stop) {
            auto* time = reinterpret_cast<VstTimeInfo*>(VSTHostCallback(effect, audioMasterGetTime, 0, kVstTempoValid, nullptr, 0.0f));
            ASSERT_NE(time, nullptr);
            VSTHostCallback(effect, audioMasterNeedIdle, 0, 0, nullptr, 0.0f);
            VSTHostCallback(effect, audioMasterAutomate, 1, 0, nullptr, 0.5f);
        }
    });
    // The user interface, under the same lock.
    for (int i = 0; !stop; ++i) {
        CLockGuard guard(*adapter);
        adapter->SetParameter(0, (i % 10) * 0.1);
        char text[kMachineTextSize];
        adapter->GetParameterDisplay(0, text);
    }
    audio.join();
    plugin.join();
    EXPECT_EQ(LockedReport(adapter.get()).processEventsCalls, 300);
}

TEST_F(VSTAdapterThreadTest, OperationsLockTheMachineThemselves)
{
    // As the studio prepares a new machine: no lock held by the caller,
    // while the idle thread already serves the plug-in.
    AdapterPtr adapter = CreateAdapter(gainInfo);
    for (int i = 0; i < 100; ++i) {
        PlugInAsks(adapter.get(), audioMasterNeedIdle);
        adapter->SetSampleRate(44100 + i);
        adapter->ResizeBuffers(128 + i);
        adapter->SetBlockSize(128 + i);
        adapter->SetParameter(0, i * 0.01);
        char text[kMachineTextSize];
        adapter->GetParameterDisplay(0, text);
        adapter->Process();
        platform::SleepMilliseconds(1);
    }
    EXPECT_GT(LockedReport(adapter.get()).idleCalls, 3);
}

TEST_F(VSTAdapterThreadTest, MachinesComeAndGoWhileTheIdleThreadRuns)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                AdapterPtr adapter = CreateAdapter(gainInfo);
                PlugInAsks(adapter.get(), audioMasterNeedIdle);
                platform::SleepMilliseconds(2);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(gainInfo.GetInstanceCount(), 0);
    EXPECT_FALSE(gainInfo.IsLibraryLoaded());
}

TEST_F(VSTAdapterThreadTest, ASlowEditorIdleDoesNotHoldUpProcessing)
{
    RecordingWindows windows;
    WindowsInstalled installed(&windows);
    AdapterPtr adapter = CreateAdapter(gainInfo);
    {
        CLockGuard guard(*adapter);
        ASSERT_NE(adapter->CreateGUI(RecordingWindows::Parent()), nullptr);
        adapter->ShowGUI();
        TestMisbehaviour slow{};
        slow.throwOpcode = -1;
        slow.editIdleMilliseconds = 300;
        TellToMisbehave(adapter.get(), slow);
    }
    std::atomic<bool> idled{false};
    std::thread gui([&] {
        CVSTAdapterList::Get().EditorIdleRound();
        idled = true;
    });
    // Blocks go through while the editor is inside its idle call (300 ms);
    // were the machine locked, they would all wait for it.
    while (!idled) {
        adapter->Process();
        platform::SleepMilliseconds(5);
    }
    gui.join();
    const TestPlugInReport report = LockedReport(adapter.get());
    EXPECT_EQ(report.editIdleReturns, 1);
    EXPECT_GE(report.blocksDuringEditIdle, 1);
}

} // namespace
