#pragma once
#include <cstdint>

class CControl;

// Where plug-in editors live: the control toolkit makes the child control
// named "VST" that a plug-in draws into, and gives its native window (the
// X11 window id). Without windows installed, or without a native window
// (an off-screen or Wayland platform), no editor is opened.
class CVSTEditorWindows {
public:
    virtual CControl* CreateChild(CControl* parent, const char* name, int32_t width, int32_t height) = 0;
    // Null when the control has no native window a plug-in could use.
    virtual void* GetNativeWindow(CControl* child) = 0;
    virtual void Show(CControl* child) = 0;
    virtual void Hide(CControl* child) = 0;
    virtual void Destroy(CControl* child) = 0;
    // Whether a plug-in editor can be opened at all here (an X11 display);
    // the "Show Custom GUI" command is greyed where it cannot.
    virtual bool CanOpenEditors() { return true; }
    // The plug-in asked for a new editor size (audioMasterSizeWindow).
    virtual void Resize(CControl* child, int32_t width, int32_t height) {}
    // After every editor call: plug-in toolkits replace process-wide
    // handlers (Xlib's error handlers) that the host must get back.
    virtual void AfterEditorCall() {}

protected:
    ~CVSTEditorWindows() = default;
};

// Set once by the user interface at start-up; null when there is none.
void SetVSTEditorWindows(CVSTEditorWindows* windows);
CVSTEditorWindows* GetVSTEditorWindows();
// Windows are installed and can hold plug-in editors.
bool CanOpenVSTEditors();
