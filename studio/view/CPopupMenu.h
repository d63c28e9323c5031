#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CControl;
class QMenu;

// A context menu of numbered commands. It opens without a nested event
// loop: the chosen command reaches the handler later, on the GUI thread,
// so the caller's state must be looked up again when it arrives.
class CPopupMenu {
public:
    using Handler = std::function<void(int32_t command)>;

    CPopupMenu();
    ~CPopupMenu();
    CPopupMenu(const CPopupMenu&) = delete;
    CPopupMenu& operator=(const CPopupMenu&) = delete;

    void Clear();
    void AddItem(int32_t command, const char* text, bool enabled = true);
    void AddSeparator();
    // Opens the menu at (x, y) of `owner`'s window.
    void Open(CControl* owner, int32_t x, int32_t y, Handler handler);
    void Close();

    QMenu* Menu() const { return menu; }

private:
    QMenu* menu;
    Handler handler;
};
