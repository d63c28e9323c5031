#include "ui/CTabControl.h"
#include <QSignalBlocker>
#include <QTabBar>

CTabControl::CTabControl(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "TabControl", x, y, width, height), tabs(new QTabBar(Window()))
{
    tabs->setGeometry(0, 0, width, tabs->sizeHint().height());
    tabs->show();
    QObject::connect(tabs, &QTabBar::currentChanged, [this](int) {
        ShowCurrent();
        if (Parent())
            Parent()->TabChanged(this);
    });
}

int32_t CTabControl::TabHeight() const
{
    return tabs->sizeHint().height();
}

int32_t CTabControl::AddTab(const char* text, CControl* view)
{
    views.push_back(view);
    {
        QSignalBlocker quiet(tabs);
        tabs->addTab(QString::fromUtf8(text));
    }
    // The strip's height is known once it holds a tab.
    tabs->setGeometry(0, 0, Width(), TabHeight());
    for (CControl* each : views)
        FitView(each);
    ShowCurrent();
    return GetCount() - 1;
}

int32_t CTabControl::GetCurrent() const
{
    return tabs->currentIndex();
}

void CTabControl::SetCurrent(int32_t index)
{
    {
        QSignalBlocker quiet(tabs);
        tabs->setCurrentIndex(index);
    }
    ShowCurrent();
}

CControl* CTabControl::GetView(int32_t index) const
{
    return index >= 0 && index < GetCount() ? views[static_cast<size_t>(index)] : nullptr;
}

void CTabControl::ShowCurrent()
{
    int32_t current = GetCurrent();
    for (int32_t i = 0; i < GetCount(); ++i) {
        if (views[static_cast<size_t>(i)])
            views[static_cast<size_t>(i)]->Show(i == current ? kShow : kShowHide);
    }
}

void CTabControl::FitView(CControl* view)
{
    if (view && view->Parent() == this)
        view->Move(0, TabHeight(), Width(), Height() - TabHeight());
}

void CTabControl::Resized(int32_t newWidth, int32_t newHeight)
{
    CControl::Resized(newWidth, newHeight);
    tabs->setGeometry(0, 0, newWidth, TabHeight());
    for (CControl* view : views)
        FitView(view);
}
