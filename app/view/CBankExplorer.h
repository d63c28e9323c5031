#pragma once
#include "app/readers/CSoundFontLoader.h"
#include "framework/CBankClient.h"
#include "ui/CControl.h"
#include <functional>
#include <map>
#include <string>
#include <vector>

class CLabel;
class CListBox;
class CSizeBar;
class CToolBar;
class CToolBarButton;

// Browses the host's bank server: loads SoundFont banks into it and shows
// the loaded banks, the chosen bank's information items, presets and (for
// banks loaded here) sample headers. Four lists divided by three size bars
// whose shares the user drags.
class CBankExplorer : public CControl, public CBankClient {
public:
    // Hands a chosen preset on (the bank's server index, the preset's).
    using PresetChosen = std::function<void(int32_t bank, int32_t preset)>;

    CBankExplorer(CControl* parent, CHost* host, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CBankExplorer() override;

    // Asks for a bank file and loads it.
    void LoadBank();
    // Loads the file into the bank server; on failure shows "Error 0x%x
    // Occured While Loading '%s'" and returns the reader's code.
    int32_t LoadBankFile(const std::string& path);
    void SelectBank(int32_t row);
    void SetPresetChosen(PresetChosen chosen) { presetChosen = std::move(chosen); }

    // Bank server notification, on the thread that added the bank.
    void BankAdded(int32_t bank) override;

    void Resized(int32_t newWidth, int32_t newHeight) override;
    void ButtonCommand(CControl* button) override;
    void ListSelectionChanged(CListBox* list) override;
    void SizeBarMoved(int32_t offset) override;
    void ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2) override;

    // A size bar's drag begins (called by the bar).
    void BeginDrag(CSizeBar* bar);

    CListBox* Banks() const { return banks; }
    CListBox* Information() const { return information; }
    CListBox* Presets() const { return presets; }
    CListBox* Samples() const { return samples; }
    CToolBarButton* LoadButton() const { return loadButton; }
    CSizeBar* BanksBar() const { return banksBar; }
    CSizeBar* InformationBar() const { return informationBar; }
    CSizeBar* PresetsBar() const { return presetsBar; }
    float BanksShare() const { return banksShare; }
    float InformationShare() const { return informationShare; }
    float PresetsShare() const { return presetsShare; }

    // One line of the "Bank Samples" list.
    static std::string DescribeSample(const SoundFontSample& sample);

private:
    void Layout();
    void AppendBank(int32_t bank);
    void ListExistingBanks();
    // Places a caption above its list inside the rectangle.
    void Place(CLabel* caption, CListBox* list, int32_t px, int32_t py, int32_t pw, int32_t ph);

    CToolBar* toolBar = nullptr;
    CToolBarButton* loadButton = nullptr;
    CLabel* captions[4] = {};
    CListBox* banks = nullptr;
    CListBox* information = nullptr;
    CListBox* presets = nullptr;
    CListBox* samples = nullptr;
    CSizeBar* banksBar = nullptr;
    CSizeBar* informationBar = nullptr;
    CSizeBar* presetsBar = nullptr;
    float banksShare = 0.3f;
    float informationShare = 0.5f;
    float presetsShare = 0.5f;
    CSizeBar* dragBar = nullptr;
    float dragStartShare = 0.0f;
    int32_t shownBank = -1;
    // Sample header lines of the banks loaded here, by server index.
    std::map<int32_t, std::vector<std::string>> bankSamples;
    PresetChosen presetChosen;
};
