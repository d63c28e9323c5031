#include "app/CProjectInfo.h"
#include "studio/CStudio.h"
#include "ui/CEditBox.h"

namespace {
constexpr int32_t kInset = 4;
}

CProjectInfo::CProjectInfo(CControl* parent, std::string* text, CStudio* studio, int32_t x, int32_t y, int32_t width,
                           int32_t height)
    : CControl(parent, "Project Info", x, y, width, height), text(text), studio(studio)
{
    edit = new CEditBox(this, kInset, kInset, width - 2 * kInset, height - 2 * kInset, true);
    edit->Show(kShow);
    Reload();
}

CProjectInfo::~CProjectInfo()
{
    delete edit;
}

void CProjectInfo::Reload()
{
    reloading = true;
    edit->SetText(text->c_str());
    reloading = false;
}

void CProjectInfo::Resized(int32_t newWidth, int32_t newHeight)
{
    CControl::Resized(newWidth, newHeight);
    if (edit)
        edit->Move(kInset, kInset, newWidth - 2 * kInset, newHeight - 2 * kInset);
}

void CProjectInfo::EditTextChanged(CEditBox* box)
{
    if (box != edit || reloading)
        return;
    std::string newText = edit->GetText();
    if (newText == *text)
        return;
    *text = std::move(newText);
    studio->MarkChanged();
}
