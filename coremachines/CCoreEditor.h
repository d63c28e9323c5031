#pragma once
// The DSP side's view of a machine's open editor. The editors are Qt
// controls in coremachines/view; the machines only hold this seam, so the
// DSP library and its tests stay free of the toolkit.
#include <atomic>
#include <cstdint>

class CControl;
class CMachine;

class CCoreEditor {
public:
    virtual ~CCoreEditor() = default;
    // The editor's control, a child of the window given to CreateGUI.
    virtual CControl* Control() = 0;
    // A parameter changed, from any thread (the audio thread included): the
    // editor only notes it and moves its control later on the GUI thread.
    virtual void ParameterChanged(int32_t index) = 0;
    // Shows or hides the control (GUI thread).
    virtual void SetShown(bool shown) = 0;
};

// The editors the library offers, one per machine family.
enum class CoreEditorKind : int32_t { Vorize, Distort, DudeRivi, DrumKit, Reverb, Filter, Mixer, Count };

// Makes the editor of `machine` inside `parent`; null when it cannot.
using CoreEditorFactory = CCoreEditor* (*)(CMachine* machine, CControl* parent);

// The library module installs the factories, with their editors' sizes, at
// start; without one (DSP-only builds) a machine has no editor of its own.
void SetCoreEditorFactory(CoreEditorKind kind, CoreEditorFactory factory, int32_t width, int32_t height);
CCoreEditor* CreateCoreEditor(CoreEditorKind kind, CMachine* machine, CControl* parent);
// False when the kind has no editor.
bool CoreEditorSize(CoreEditorKind kind, int32_t* width, int32_t* height);

// A machine's open editor, owned by the machine. The pointer is swapped
// under the machine's lock, which every SetParameter caller holds (the work
// call too), so a notification never meets an editor being destroyed.
class CCoreEditorSlot {
public:
    CCoreEditorSlot() = default;
    ~CCoreEditorSlot();
    CCoreEditorSlot(const CCoreEditorSlot&) = delete;
    CCoreEditorSlot& operator=(const CCoreEditorSlot&) = delete;

    // Closes an open editor, then makes a new one; its control or null.
    CControl* Open(CoreEditorKind kind, CMachine* machine, CControl* parent);
    void Close(CMachine* machine);
    // Shows or hides the open editor (GUI thread).
    void Show(bool shown) const
    {
        if (CCoreEditor* open = Get())
            open->SetShown(shown);
    }
    void Notify(int32_t index) const
    {
        if (CCoreEditor* open = editor.load(std::memory_order_acquire))
            open->ParameterChanged(index);
    }
    CCoreEditor* Get() const { return editor.load(std::memory_order_acquire); }

private:
    std::atomic<CCoreEditor*> editor{nullptr};
};
