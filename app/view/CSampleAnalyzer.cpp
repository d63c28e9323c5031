#include "app/view/CSampleAnalyzer.h"
#include "app/view/CSampleView.h"
#include "framework/Errors.h"
#include "platform/OsFiles.h"
#include "platform/OsPaths.h"
#include "ui/CComboBox.h"
#include "ui/Fonts.h"
#include <QComboBox>
#include <algorithm>

std::vector<std::string> CSampleAnalyzer::DefaultFolders()
{
    std::vector<std::string> folders{platform::JoinPath(platform::ProgramFolder(), "Samples")};
    std::string own = platform::UserSamplesFolder();
    if (!own.empty())
        folders.push_back(own);
    return folders;
}

CSampleAnalyzer::CSampleAnalyzer(CControl* parent, const std::vector<std::string>& folders)
    : CWindow(parent, "Sample Analyzer", 40, 40, kDefaultWidth, kDefaultHeight)
{
    SetFont(CreateFont(Window(), "Verdana", 10, false), true);
    combo = new CComboBox(this, 8, 8, 10, 24);
    combo->Window()->findChild<QComboBox*>()->setObjectName("SampleCombo");
    for (const std::string& folder : folders) {
        std::vector<std::string> names;
        for (const platform::FolderEntry& entry : platform::ListFolder(folder)) {
            if (!entry.isDirectory && (platform::HasExtension(entry.name, ".wav") || platform::HasExtension(entry.name, ".WAV")))
                names.push_back(entry.name);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            paths.push_back(platform::JoinPath(folder, name));
            combo->AddString(name.c_str());
        }
    }
    waveform = new CSampleView(this, CSampleView::WAVEFORM, 8, 40, 10, 10);
    spectrum = new CSampleView(this, CSampleView::SPECTRUM, 8, 40, 10, 10);
    Layout();
    combo->Show(kShow);
    waveform->Show(kShow);
    spectrum->Show(kShow);
}

CSampleAnalyzer::~CSampleAnalyzer()
{
    delete spectrum;
    delete waveform;
    delete combo;
}

void CSampleAnalyzer::Layout()
{
    const int32_t w = Width();
    const int32_t h = Height();
    const int32_t paneHeight = std::max((h - 40 - 16) / 2, 1);
    combo->Move(8, 8, std::max(w - 16, 1), 24);
    waveform->Move(8, 40, std::max(w - 16, 1), paneHeight);
    spectrum->Move(8, 48 + paneHeight, std::max(w - 16, 1), std::max(h - 56 - paneHeight, 1));
}

void CSampleAnalyzer::Resized(int32_t newWidth, int32_t newHeight)
{
    CWindow::Resized(newWidth, newHeight);
    if (combo)
        Layout();
}

bool CSampleAnalyzer::SelectSample(int32_t index)
{
    if (index < 0 || index >= static_cast<int32_t>(paths.size()))
        return false;
    auto next = std::make_unique<CWaveSample>();
    try {
        next->Read(paths[static_cast<size_t>(index)].c_str());
    } catch (const CError& error) {
        ::Show("%s", error.Text());
        return false;
    }
    const auto rate = static_cast<int32_t>(next->Format().sampleRate);
    waveform->SetSample(next->Samples(), next->Count(), rate);
    spectrum->SetSample(next->Samples(), next->Count(), rate);
    shown = std::move(next);
    if (combo->GetCurSel() != index)
        combo->SetCurSel(index);
    return true;
}

void CSampleAnalyzer::ComboSelectionChanged(CComboBox* changed)
{
    if (changed == combo)
        SelectSample(combo->GetCurSel());
}
