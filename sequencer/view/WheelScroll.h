#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

// Turns the mouse wheel over a window into steps (one notch down is +1).
// The toolkit's controls hear no wheel; the editors' grids scroll with it.
class CWheelScroll : public QObject {
public:
    CWheelScroll(QWidget* window, std::function<void(int32_t)> step);
    ~CWheelScroll() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window; // may go before the filter
    std::function<void(int32_t)> step;
    int32_t remainder = 0;
};
