#include "ui/WindowClass.h"
#include "framework/Errors.h"
#include "platform/OsTime.h"
#include <atomic>

namespace {

std::atomic<int32_t> registrations{0};

WindowClass Register(std::string name, uint32_t styles)
{
    registrations.fetch_add(1);
    return WindowClass{std::move(name), styles, true};
}

} // namespace

const WindowClass& ControlWindowClass()
{
    static const WindowClass cls = Register(FormatText("ZTControl_0x%x", platform::GetTickCount()),
                                            kClassOwnDeviceContext | kClassDoubleClicks | kClassHorizontalRedraw |
                                                kClassVerticalRedraw | kClassGlobal);
    return cls;
}

const WindowClass& TopLevelWindowClass()
{
    static const WindowClass cls = Register("VelmoraWindow", kClassOwnDeviceContext | kClassDoubleClicks |
                                                                 kClassHorizontalRedraw | kClassVerticalRedraw);
    return cls;
}

int32_t RegisteredWindowClassCount()
{
    return registrations.load();
}
