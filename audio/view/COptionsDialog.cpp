#include "audio/view/COptionsDialog.h"
#include "audio/CStudioOptions.h"
#include "audio/view/CAudioOutOptions.h"
#include "audio/view/CVSTPaths.h"
#include "ui/CButton.h"
#include "ui/CIconList.h"
#include "ui/Fonts.h"
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int32_t kIconListWidth = 96;
constexpr int32_t kPageX = 112;
constexpr int32_t kPageY = 8;
constexpr int32_t kIconSize = 32;

// The page icons are drawn here rather than shipped as pictures: two plain
// glyphs on the list's white.
void DrawSpeaker(CPicture& icon)
{
    icon.Create(kIconSize, kIconSize, false);
    icon.FillRect(0, 0, kIconSize, kIconSize, MakeColor(255, 255, 255));
    const ColorRef body = MakeColor(40, 70, 120);
    icon.FillRect(6, 11, 7, 10, body);
    for (int32_t i = 0; i < 9; ++i)
        icon.FillRect(13 + i, 11 - i, 1, 10 + 2 * i, body);
    const ColorRef wave = MakeColor(80, 140, 210);
    icon.FillRect(25, 12, 2, 8, wave);
    icon.FillRect(28, 9, 2, 14, wave);
}

void DrawPlug(CPicture& icon)
{
    icon.Create(kIconSize, kIconSize, false);
    icon.FillRect(0, 0, kIconSize, kIconSize, MakeColor(255, 255, 255));
    const ColorRef body = MakeColor(60, 60, 60);
    icon.FillRect(8, 12, 16, 12, body);
    icon.FillRect(11, 4, 3, 8, MakeColor(170, 150, 60));
    icon.FillRect(18, 4, 3, 8, MakeColor(170, 150, 60));
    icon.FillRect(14, 24, 4, 6, body);
}

} // namespace

int32_t COptionsDialog::StoredWidth(int32_t stored)
{
    return stored == 0 ? kDefaultWidth : std::max(stored, kMinimumWidth);
}

int32_t COptionsDialog::StoredHeight(int32_t stored)
{
    return stored == 0 ? kDefaultHeight : std::max(stored, kMinimumHeight);
}

COptionsDialog::COptionsDialog(CControl* owner, OptionsServices services)
    : CDialog(owner, "Options", StoredWidth(services.options->dialogWidth), StoredHeight(services.options->dialogHeight),
              true),
      services(std::move(services))
{
    Window()->setMinimumSize(kMinimumWidth, kMinimumHeight);
    SetFont(CreateFont(Window(), "Verdana", 10, false), true);
    DrawSpeaker(audioIcon);
    DrawPlug(pathsIcon);
    pages = new CIconList(this, 8, 8, kIconListWidth, Height() - 16);
    pages->AddIcon(audioIcon, "Audio Output");
    pages->AddIcon(pathsIcon, "VST Paths");
    pages->Show(kShow);
    applyButton = new CButton(this, "Apply", Width() - 72, Height() - 32, 64, 24);
    applyButton->Enable(false);
    applyButton->Show(kShow);
    ShowPage(AUDIO_PAGE);
    // Escape closes the dialog as its frame's close button does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), Window());
    QObject::connect(escape, &QShortcut::activated, [this] { Close(); });
}

COptionsDialog::~COptionsDialog()
{
    delete applyButton;
    delete pathsPage;
    delete audioPage;
    delete pages;
}

void COptionsDialog::ShowPage(int32_t page)
{
    if (page != AUDIO_PAGE && page != PATHS_PAGE)
        return;
    const int32_t pageWidth = Width() - 126;
    const int32_t pageHeight = Height() - 48;
    COptionsFrame* next = nullptr;
    if (page == AUDIO_PAGE) {
        if (!audioPage)
            audioPage = new CAudioOutOptions(this, kPageX, kPageY, pageWidth, pageHeight);
        next = audioPage;
    } else {
        if (!pathsPage)
            pathsPage = new CVSTPaths(this, kPageX, kPageY, pageWidth, pageHeight);
        next = pathsPage;
    }
    if (shown != page) {
        COptionsFrame* previous = shown == AUDIO_PAGE ? static_cast<COptionsFrame*>(audioPage)
                                  : shown == PATHS_PAGE ? static_cast<COptionsFrame*>(pathsPage)
                                                        : nullptr;
        if (previous)
            previous->Show(kShowHide);
    }
    next->Show(kShow);
    shown = page;
    pages->SetSelection(page);
}

void COptionsDialog::Apply()
{
    if (audioPage)
        audioPage->Apply();
    if (pathsPage)
        pathsPage->Apply();
    changed = false;
    applyButton->Enable(false);
}

void COptionsDialog::MarkChanged()
{
    changed = true;
    applyButton->Enable(true);
}

void COptionsDialog::Close()
{
    if (changed)
        Apply();
    Show(kShowHide);
    services.options->dialogWidth = Width();
    services.options->dialogHeight = Height();
    if (Owner())
        Owner()->DialogCancelled(this);
}

void COptionsDialog::Resized(int32_t newWidth, int32_t newHeight)
{
    CDialog::Resized(newWidth, newHeight);
    Layout();
}

void COptionsDialog::Layout()
{
    if (!pages)
        return;
    pages->Move(8, 8, kIconListWidth, Height() - 16);
    applyButton->Move(Width() - 72, Height() - 32, 64, 24);
    for (COptionsFrame* page : {static_cast<COptionsFrame*>(audioPage), static_cast<COptionsFrame*>(pathsPage)}) {
        if (page)
            page->Move(kPageX, kPageY, Width() - 126, Height() - 48);
    }
}

void COptionsDialog::IconListSelectionChanged(CIconList* list)
{
    if (list == pages)
        ShowPage(list->GetSelection());
}

void COptionsDialog::ButtonCommand(CControl* button)
{
    if (button == applyButton)
        Apply();
}
