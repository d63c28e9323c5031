#include "audio/view/CVSTPaths.h"
#include "audio/CStudioOptions.h"
#include "audio/view/COptionsDialog.h"
#include "framework/Errors.h"
#include "ui/CButton.h"
#include "ui/CLabel.h"
#include "ui/CListBox.h"
#include "ui/UserDialogs.h"
#include <algorithm>

namespace {

constexpr int32_t kButtonHeight = 24;
constexpr int32_t kAddWidth = 96;
constexpr int32_t kRemoveWidth = 160;

} // namespace

CVSTPaths::CVSTPaths(COptionsDialog* dialog, int32_t x, int32_t y, int32_t width, int32_t height)
    : COptionsFrame(dialog, x, y, width, height), paths(dialog->Services().options->pluginPaths)
{
    titleLabel = new CLabel(this, "VST Paths", 8, 0, width - 16, 20);
    list = new CListBox(this, 8, 24, width - 16, height - 24 - kButtonHeight - 16);
    addButton = new CButton(this, "Add Path...", 8, height - kButtonHeight - 8, kAddWidth, kButtonHeight);
    removeButton = new CButton(this, "Remove Selected Path", 8 + kAddWidth + 8, height - kButtonHeight - 8,
                               kRemoveWidth, kButtonHeight);
    Fill();
    for (CControl* c : std::initializer_list<CControl*>{titleLabel, list, addButton, removeButton})
        c->Show(kShow);
}

CVSTPaths::~CVSTPaths()
{
    delete removeButton;
    delete addButton;
    delete list;
    delete titleLabel;
}

void CVSTPaths::Fill()
{
    list->ResetContent();
    for (const std::string& path : paths)
        list->AddItem(path.c_str());
}

void CVSTPaths::AddPath()
{
    std::string folder = paths.empty() ? std::string() : paths.back();
    if (!UserDialogs().BrowseFolder(Dialog(), "Select VST PlugIn Folder", folder) || folder.empty())
        return;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (std::find(paths.begin(), paths.end(), folder) != paths.end())
        return;
    paths.push_back(folder);
    list->AddItem(folder.c_str());
    MarkChanged();
}

void CVSTPaths::RemoveSelectedPath()
{
    const int32_t selected = list->GetCurSel();
    if (selected < 0)
        return;
    if (selected >= static_cast<int32_t>(paths.size()))
        Raise("CArray::RemoveItem - Index Out Of Bounds (%i)", selected);
    paths.erase(paths.begin() + selected);
    list->DeleteItem(selected);
    MarkChanged();
}

void CVSTPaths::Apply()
{
    CStudioOptions& options = *Dialog()->Services().options;
    if (paths == options.pluginPaths)
        return;
    std::vector<std::string> before = options.pluginPaths;
    options.pluginPaths = paths;
    if (Dialog()->Services().pathsChanged)
        Dialog()->Services().pathsChanged(paths, before);
}

void CVSTPaths::ButtonCommand(CControl* button)
{
    if (button == addButton)
        AddPath();
    else if (button == removeButton)
        RemoveSelectedPath();
}

void CVSTPaths::Resized(int32_t newWidth, int32_t newHeight)
{
    COptionsFrame::Resized(newWidth, newHeight);
    if (!list)
        return;
    titleLabel->Move(8, 0, newWidth - 16, 20);
    list->Move(8, 24, newWidth - 16, newHeight - 24 - kButtonHeight - 16);
    addButton->Move(8, newHeight - kButtonHeight - 8, kAddWidth, kButtonHeight);
    removeButton->Move(8 + kAddWidth + 8, newHeight - kButtonHeight - 8, kRemoveWidth, kButtonHeight);
}
