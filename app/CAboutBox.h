#pragma once
#include "ui/CDialog.h"
#include <memory>
#include <string>

class CColorManager;
class CLabel;
class CPicture;

// The splash box at start-up and, with the main window as owner, the about
// box: the picture as background, one multi-line text, and a link to the
// home page (hand cursor over it; a click opens it with the desktop's
// opener). A click elsewhere hides the box.
class CAboutBox : public CDialog {
public:
    static constexpr const char* kHomePage = "https://velmora-studio.org/";

    // `picture` gives the size and the background; `colors` is copied.
    CAboutBox(CControl* owner, CPicture* picture, CColorManager* colors);
    ~CAboutBox() override;

    // Shows the text and repaints at once (a splash box has no event loop
    // running yet).
    void SetText(const char* text);
    const std::string& Text() const;
    void Show(int32_t command) override;
    void Paint(CDrawContext& dc) override;

    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void CaptureLost() override;

    static bool InLink(int32_t x, int32_t y) { return x >= 160 && x <= 419 && y >= 120 && y <= 135; }
    bool IsOverLink() const { return overLink; }
    // The about text for this build.
    static std::string AboutText();

private:
    void LeaveLink();

    std::unique_ptr<CColorManager> ownColors;
    CLabel* label = nullptr;
    bool overLink = false;
};
