#pragma once
#include "ui/CControlWidget.h"
#include <QEvent>
#include <QRect>
#include <cstdint>

// Posted to a control's window to repaint (a part of) it on the GUI thread.
class CPresentEvent : public QEvent {
public:
    explicit CPresentEvent(QRect area) : QEvent(static_cast<Type>(CControlWidget::PresentEventType())), area(area) {}
    QRect area;
};

// A message queued for the control's HandleMessage on the GUI thread.
class CMessageEvent : public QEvent {
public:
    CMessageEvent(uint32_t message, uintptr_t p1, intptr_t p2)
        : QEvent(static_cast<Type>(CControlWidget::MessageEventType())), message(message), p1(p1), p2(p2)
    {
    }
    uint32_t message;
    uintptr_t p1;
    intptr_t p2;
};
