#include "studio/view/CVSTEditorWindowsX11.h"
#include "platform/OsX11.h"
#include "studio/CVSTAdapterList.h"
#include "ui/CControl.h"
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kEditorIdleMs = 10;

bool OnGuiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

CVSTEditorWindowsX11::CVSTEditorWindowsX11() : idleTimer(std::make_unique<QTimer>())
{
    if (CanOpenEditors())
        platform::InstallX11ErrorHandlers();
    idleTimer->setInterval(kEditorIdleMs);
    QObject::connect(idleTimer.get(), &QTimer::timeout, [] {
        CVSTAdapterList& list = CVSTAdapterList::Get();
        list.EditorIdleRound();
        list.TakeProblemReports(true);
    });
    idleTimer->start();
    SetVSTEditorWindows(this);
}

CVSTEditorWindowsX11::~CVSTEditorWindowsX11()
{
    idleTimer->stop();
    if (GetVSTEditorWindows() == this)
        SetVSTEditorWindows(nullptr);
}

bool CVSTEditorWindowsX11::CanOpenEditors()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           QGuiApplication::platformName() == QLatin1String("xcb");
}

CControl* CVSTEditorWindowsX11::CreateChild(CControl* parent, const char* name, int32_t width, int32_t height)
{
    if (!parent || !OnGuiThread())
        return nullptr;
    auto* child = new CControl(parent, name, 0, 0, width, height);
    QWidget* window = child->Window();
    // A window of its own for the plug-in, without making its ancestors
    // native too.
    window->setAttribute(Qt::WA_DontCreateNativeAncestors);
    window->setAttribute(Qt::WA_NativeWindow);
    children.insert(child);
    return child;
}

void* CVSTEditorWindowsX11::GetNativeWindow(CControl* child)
{
    if (!IsChild(child) || !CanOpenEditors())
        return nullptr;
    const WId id = child->Window()->winId();
    return reinterpret_cast<void*>(static_cast<uintptr_t>(id));
}

void CVSTEditorWindowsX11::Show(CControl* child)
{
    if (IsChild(child))
        child->Window()->show();
}

void CVSTEditorWindowsX11::Hide(CControl* child)
{
    if (IsChild(child))
        child->Window()->hide();
}

void CVSTEditorWindowsX11::Destroy(CControl* child)
{
    if (children.erase(child))
        delete child;
}

void CVSTEditorWindowsX11::Resize(CControl* child, int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return;
    if (OnGuiThread()) {
        if (IsChild(child))
            child->Move(child->X(), child->Y(), width, height);
        return;
    }
    // From a plug-in's own thread: the GUI thread resizes, if the child
    // still exists by then.
    QMetaObject::invokeMethod(
        idleTimer.get(),
        [this, child, width, height] {
            if (IsChild(child))
                child->Move(child->X(), child->Y(), width, height);
        },
        Qt::QueuedConnection);
}

void CVSTEditorWindowsX11::AfterEditorCall()
{
    if (CanOpenEditors())
        platform::InstallX11ErrorHandlers();
}
