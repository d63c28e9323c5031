#pragma once
#include "studio/CVSTEditorWindows.h"
#include <cstdint>
#include <memory>
#include <set>

class QTimer;

// Plug-in editors in native child windows of the Qt GUI on X11: the child
// control named "VST" gets an X11 window of its own (Qt::WA_NativeWindow)
// whose id the plug-in receives in effEditOpen and creates its editor in.
// Under another platform (offscreen, Wayland without XWayland) there is no
// X11 window: CanOpenEditors answers false and no editor is opened.
//
// Threads: plug-in toolkits (GTK 2, cairo on Xlib, OpenGL) are not
// thread-safe, so every editor call, effEditIdle included, is made on the
// GUI thread: a 10 ms timer here runs the editor idle round, while effIdle
// stays on the plug-in idle thread. The same timer tells the user about
// plug-ins that failed.
//
// Installs itself as the studio's editor windows on construction, and the
// host's Xlib error handlers (again after every editor call). Make it on
// the GUI thread after the QApplication; destroy it after every plug-in
// machine is gone.
class CVSTEditorWindowsX11 : public CVSTEditorWindows {
public:
    CVSTEditorWindowsX11();
    ~CVSTEditorWindowsX11();

    CControl* CreateChild(CControl* parent, const char* name, int32_t width, int32_t height) override;
    void* GetNativeWindow(CControl* child) override;
    void Show(CControl* child) override;
    void Hide(CControl* child) override;
    void Destroy(CControl* child) override;
    bool CanOpenEditors() override;
    void Resize(CControl* child, int32_t width, int32_t height) override;
    void AfterEditorCall() override;

    // Child controls that exist now.
    int32_t ChildCount() const { return static_cast<int32_t>(children.size()); }

private:
    bool IsChild(CControl* child) const { return children.count(child) != 0; }

    std::set<CControl*> children;
    std::unique_ptr<QTimer> idleTimer;
};
