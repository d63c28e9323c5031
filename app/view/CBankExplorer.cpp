#include "app/view/CBankExplorer.h"
#include "app/readers/CBankReceiver.h"
#include "framework/CBankServer.h"
#include "framework/Errors.h"
#include "ui/CLabel.h"
#include "ui/CListBox.h"
#include "ui/CSizeBar.h"
#include "ui/CToolBar.h"
#include "ui/CToolBarButton.h"
#include "ui/Fonts.h"
#include "ui/UserDialogs.h"
#include <QCoreApplication>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kToolBarHeight = 30;
constexpr int32_t kCaptionHeight = 18;
constexpr int32_t kBar = 6;
// A bank added on another thread is listed on the GUI thread.
constexpr uint32_t kMessageBankAdded = kMessageApplicationFirst + 0x71;

// A size bar that tells the explorer when the user takes hold of it, so
// that the drag's offsets apply to the share it had then.
class CExplorerBar : public CSizeBar {
public:
    CExplorerBar(CBankExplorer* explorer, bool vertical) : CSizeBar(explorer, 0, 0, kBar, kBar, vertical), explorer(explorer) {}
    void LeftButtonDown(int32_t px, int32_t py, uint32_t keys) override
    {
        explorer->BeginDrag(this);
        CSizeBar::LeftButtonDown(px, py, keys);
    }

private:
    CBankExplorer* explorer;
};

// A server text of the given length (terminating NUL included in none of
// the lengths the server gives).
template <typename Get>
std::string ServerText(int32_t length, Get get)
{
    if (length < 0)
        return {};
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    if (get(text.data()) != BANK_DONE)
        return {};
    text.back() = '\0';
    return text.data();
}

} // namespace

CBankExplorer::CBankExplorer(CControl* parent, CHost* host, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "BankExplorer", x, y, width, height), CBankClient(host)
{
    SetFont(CreateFont(Window(), "Verdana", 10, false), true);
    toolBar = new CToolBar(this, 0, 0, width, kToolBarHeight);
    loadButton = toolBar->AddButton("Load Bank", 96, false, 0, "Load a SoundFont bank");
    const char* const titles[4] = {"Banks", "Bank Information", "Bank Presets", "Bank Samples"};
    for (int i = 0; i < 4; ++i)
        captions[i] = new CLabel(this, titles[i], 0, 0, 10, kCaptionHeight);
    banks = new CListBox(this, 0, 0, 10, 10);
    information = new CListBox(this, 0, 0, 10, 10);
    presets = new CListBox(this, 0, 0, 10, 10);
    samples = new CListBox(this, 0, 0, 10, 10);
    information->Window()->setObjectName("BankInfo");
    banksBar = new CExplorerBar(this, true);
    informationBar = new CExplorerBar(this, false);
    presetsBar = new CExplorerBar(this, true);
    Layout();
    for (CControl* c : std::initializer_list<CControl*>{toolBar, captions[0], captions[1], captions[2], captions[3],
                                                        banks, information, presets, samples, banksBar,
                                                        informationBar, presetsBar})
        c->Show(kShow);
    ConnectBankServer();
    ListExistingBanks();
}

CBankExplorer::~CBankExplorer()
{
    // No notification may reach a half-destroyed explorer.
    DisconnectBankServer();
    delete presetsBar;
    delete informationBar;
    delete banksBar;
    delete samples;
    delete presets;
    delete information;
    delete banks;
    for (CLabel* caption : captions)
        delete caption;
    delete toolBar;
}

void CBankExplorer::Place(CLabel* caption, CListBox* list, int32_t px, int32_t py, int32_t pw, int32_t ph)
{
    caption->Move(px, py, std::max(pw, 1), kCaptionHeight);
    list->Move(px, py + kCaptionHeight, std::max(pw, 1), std::max(ph - kCaptionHeight, 1));
}

void CBankExplorer::Layout()
{
    const int32_t w = Width();
    const int32_t h = Height();
    const auto b = static_cast<int32_t>(static_cast<float>(w - 24) * banksShare);
    const auto i = static_cast<int32_t>(static_cast<float>(h - 52) * informationShare);
    const auto p = static_cast<int32_t>(static_cast<float>(w - b - 28) * presetsShare);
    toolBar->Move(0, 0, w, kToolBarHeight);
    Place(captions[0], banks, 8, 38, b, h - 46);
    banksBar->Move(b + 8, 38, kBar, h - 46);
    Place(captions[1], information, b + 14, 38, w - b - 22, i);
    informationBar->Move(b + 14, i + 38, w - b - 22, kBar);
    Place(captions[2], presets, b + 14, i + 44, p, h - i - 52);
    presetsBar->Move(b + p + 14, i + 44, kBar, h - i - 52);
    Place(captions[3], samples, b + p + 20, i + 44, w - 8 - (b + p + 20), h - i - 52);
}

void CBankExplorer::Resized(int32_t newWidth, int32_t newHeight)
{
    CControl::Resized(newWidth, newHeight);
    if (toolBar)
        Layout();
}

void CBankExplorer::BeginDrag(CSizeBar* bar)
{
    dragBar = bar;
    dragStartShare = bar == banksBar ? banksShare : bar == informationBar ? informationShare : presetsShare;
}

void CBankExplorer::SizeBarMoved(int32_t offset)
{
    if (!dragBar)
        return;
    const int32_t b = static_cast<int32_t>(static_cast<float>(Width() - 24) * banksShare);
    float extent = 1.0f;
    float* share = nullptr;
    if (dragBar == banksBar) {
        extent = static_cast<float>(Width() - 24);
        share = &banksShare;
    } else if (dragBar == informationBar) {
        extent = static_cast<float>(Height() - 52);
        share = &informationShare;
    } else {
        extent = static_cast<float>(Width() - b - 28);
        share = &presetsShare;
    }
    if (extent <= 0.0f)
        return;
    *share = std::clamp(dragStartShare + static_cast<float>(offset) / extent, 0.1f, 0.9f);
    Layout();
}

void CBankExplorer::ButtonCommand(CControl* button)
{
    if (button == loadButton)
        LoadBank();
}

void CBankExplorer::LoadBank()
{
    std::string path;
    if (!UserDialogs().OpenFile(this, "Load Bank", "SoundFont Banks (*.sf2)", path) || path.empty())
        return;
    LoadBankFile(path);
}

int32_t CBankExplorer::LoadBankFile(const std::string& path)
{
    CBankServer* server = nullptr;
    if (!HasBankServer())
        return BANK_ALREADY;
    server = bankServer;
    int32_t result = 0;
    int32_t bank = -1;
    std::vector<SoundFontSample> headers;
    {
        CBankServerReceiver receiver(server);
        CSoundFontLoader loader(&receiver);
        result = loader.LoadBank(path.c_str());
        bank = receiver.BankIndex();
        if (result == 0)
            headers = loader.Samples();
    }
    if (result != 0) {
        ::Show("Error 0x%x Occured While Loading '%s'", static_cast<unsigned>(result), path.c_str());
        return result;
    }
    std::vector<std::string>& lines = bankSamples[bank];
    lines.clear();
    for (const SoundFontSample& sample : headers)
        lines.push_back(DescribeSample(sample));
    // Show what was just loaded.
    for (int32_t row = 0; row < banks->GetCount(); ++row) {
        if (banks->GetItemData(row) == bank) {
            banks->SetCurSel(row);
            SelectBank(row);
        }
    }
    return 0;
}

std::string CBankExplorer::DescribeSample(const SoundFontSample& sample)
{
    const uint32_t length = sample.end > sample.start ? sample.end - sample.start : 0;
    return FormatText("%s (%u Samples, %u Hz, Key %u)", sample.name.c_str(), length, sample.sampleRate,
                      static_cast<unsigned>(sample.originalKey));
}

void CBankExplorer::BankAdded(int32_t bank)
{
    if (QThread::currentThread() == QCoreApplication::instance()->thread())
        AppendBank(bank);
    else
        PostMessage(kMessageBankAdded, static_cast<uintptr_t>(bank), 0);
}

void CBankExplorer::ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (message == kMessageBankAdded) {
        CLockGuard lock(*bankServer);
        AppendBank(static_cast<int32_t>(p1));
        return;
    }
    CControl::ApplicationMessage(message, p1, p2);
}

void CBankExplorer::AppendBank(int32_t bank)
{
    int32_t length = 0;
    if (bankServer->GetBankNameLength(bank, &length) != BANK_DONE)
        return;
    std::string name = ServerText(length, [&](char* text) { return bankServer->GetBankName(bank, text); });
    banks->AddItem(name.c_str(), bank);
}

void CBankExplorer::ListExistingBanks()
{
    if (!IsConnected())
        return;
    CLockGuard lock(*bankServer);
    int32_t length = 0;
    for (int32_t bank = 0; bankServer->GetBankNameLength(bank, &length) == BANK_DONE; ++bank)
        AppendBank(bank);
}

void CBankExplorer::SelectBank(int32_t row)
{
    information->ResetContent();
    presets->ResetContent();
    samples->ResetContent();
    shownBank = -1;
    if (row < 0 || row >= banks->GetCount() || !IsConnected())
        return;
    const auto bank = static_cast<int32_t>(banks->GetItemData(row));
    shownBank = bank;
    CLockGuard lock(*bankServer);
    int32_t count = 0;
    if (bankServer->GetInformationCount(bank, &count) == BANK_DONE) {
        for (int32_t entry = 0; entry < count; ++entry) {
            int32_t keyLength = 0;
            int32_t valueLength = 0;
            bankServer->GetInformationKeyLength(bank, entry, &keyLength);
            bankServer->GetInformationValueLength(bank, entry, &valueLength);
            std::string key =
                ServerText(keyLength, [&](char* text) { return bankServer->GetInformationKey(bank, entry, text); });
            std::string value = ServerText(
                valueLength, [&](char* text) { return bankServer->GetInformationValue(bank, entry, text); });
            information->AddItem((key + ": " + value).c_str(), entry);
        }
    }
    if (bankServer->GetPresetCount(bank, &count) == BANK_DONE) {
        for (int32_t preset = 0; preset < count; ++preset) {
            int32_t length = 0;
            bankServer->GetPresetNameLength(bank, preset, &length);
            std::string name =
                ServerText(length, [&](char* text) { return bankServer->GetPresetName(bank, preset, text); });
            presets->AddItem(name.c_str(), preset);
        }
    }
    auto found = bankSamples.find(bank);
    if (found != bankSamples.end()) {
        for (size_t s = 0; s < found->second.size(); ++s)
            samples->AddItem(found->second[s].c_str(), static_cast<intptr_t>(s));
    }
}

void CBankExplorer::ListSelectionChanged(CListBox* list)
{
    if (list == banks) {
        SelectBank(banks->GetCurSel());
    } else if (list == presets) {
        const int32_t row = presets->GetCurSel();
        if (row >= 0 && shownBank >= 0 && presetChosen)
            presetChosen(shownBank, static_cast<int32_t>(presets->GetItemData(row)));
    }
}
