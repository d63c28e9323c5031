// The bank explorer on the host's real bank server with the Debian
// SoundFont bank, compared with an independent reading of the file.
#include "app/view/CBankExplorer.h"
#include "studio/CVelmHost.h"
#include "support/AudioTestEnvironment.h"
#include "support/ProgramRun.h"
#include "support/QtTestSupport.h"
#include "support/ReferenceImage.h"
#include "support/TempFolder.h"
#include "ui/CColorManager.h"
#include "ui/CListBox.h"
#include "ui/CSizeBar.h"
#include "ui/CToolBarButton.h"
#include "ui/UserDialogs.h"
#include <QFontInfo>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

constexpr const char* kBank = "/usr/share/sounds/sf2/TimGM6mb.sf2";

struct Listing {
    std::string bank;
    std::vector<std::string> information;
    std::vector<std::string> presets;
    std::vector<std::string> samples; // name, length, rate, key
};

Listing ReadIndependently(const std::string& path)
{
    ProgramRun run = RunProgram("python3 '" VELMORA_SOURCE_DIR "/tests/app/view/sf2_listing.py' '" + path + "'");
    Listing listing;
    for (const std::string& line : run.lines) {
        const size_t tab = line.find('\t');
        const std::string kind = line.substr(0, tab);
        const std::string rest = line.substr(tab + 1);
        if (kind == "bank")
            listing.bank = rest;
        else if (kind == "info")
            listing.information.push_back(rest);
        else if (kind == "preset")
            listing.presets.push_back(rest);
        else if (kind == "sample")
            listing.samples.push_back(rest);
    }
    return listing;
}

std::vector<std::string> Texts(CListBox* list)
{
    std::vector<std::string> texts;
    for (int32_t i = 0; i < list->GetCount(); ++i) {
        std::string text = list->GetText(i);
        std::string escaped;
        for (char c : text)
            escaped += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
        texts.push_back(escaped);
    }
    return texts;
}

// Answers the open-file dialog with a prepared path.
class CFileAnswer : public CUserDialogs {
public:
    bool OpenFile(CControl*, const std::string& title, const std::string& filter, std::string& path) override
    {
        titles.push_back(title);
        filters.push_back(filter);
        path = answer;
        return !answer.empty();
    }
    bool SaveFile(CControl*, const std::string&, const std::string&, std::string&) override { return false; }
    bool BrowseFolder(CControl*, const std::string&, std::string&) override { return false; }
    int32_t MessageBox(CControl*, const std::string&, const std::string&, uint32_t) override { return kAnswerOk; }

    std::string answer;
    std::vector<std::string> titles;
    std::vector<std::string> filters;
};

class BankExplorerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(kBank)) << "timgm6mb-soundfont is not installed";
        window = MakeHostWindow("Banks", 800, 500, &colors);
        explorer = std::make_unique<CBankExplorer>(window.get(), &host, 0, 0, 800, 500);
        explorer->Show(kShow);
        previous = SetUserDialogs(&answers);
    }
    void TearDown() override
    {
        SetUserDialogs(previous);
        explorer.reset();
    }

    void ClickLoad() { QTest::mouseClick(explorer->LoadButton()->Window()->findChild<QToolButton*>(), Qt::LeftButton); }

    CVelmHost host{44100, 256, 0};
    CColorManager colors;
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CBankExplorer> explorer;
    CFileAnswer answers;
    CUserDialogs* previous = nullptr;
    TempFolder folder;
};

} // namespace

TEST_F(BankExplorerTest, LoadBankListsWhatAnIndependentReadingFinds)
{
    const Listing expected = ReadIndependently(kBank);
    ASSERT_FALSE(expected.presets.empty());
    ASSERT_FALSE(expected.samples.empty());

    answers.answer = kBank;
    ClickLoad();
    ASSERT_EQ(answers.filters, std::vector<std::string>{"SoundFont Banks (*.sf2)"});
    ASSERT_EQ(explorer->Banks()->GetCount(), 1);
    EXPECT_EQ(explorer->Banks()->GetText(0), expected.bank);
    EXPECT_EQ(Texts(explorer->Information()), expected.information);
    EXPECT_EQ(Texts(explorer->Presets()), expected.presets);
    ASSERT_EQ(explorer->Samples()->GetCount(), static_cast<int32_t>(expected.samples.size()));
    for (size_t i = 0; i < expected.samples.size(); ++i) {
        std::istringstream fields(expected.samples[i]);
        std::string name, length, rate, key;
        std::getline(fields, name, '\t');
        std::getline(fields, length, '\t');
        std::getline(fields, rate, '\t');
        std::getline(fields, key, '\t');
        EXPECT_EQ(explorer->Samples()->GetText(static_cast<int32_t>(i)),
                  name + " (" + length + " Samples, " + rate + " Hz, Key " + key + ")");
    }

    // A second bank, and choosing between the two by the "Banks" list.
    ClickLoad();
    ASSERT_EQ(explorer->Banks()->GetCount(), 2);
    EXPECT_EQ(explorer->Banks()->GetItemData(1), 1);
    QListWidget* banks = explorer->Banks()->Window()->findChild<QListWidget*>();
    int chosenBank = -1, chosenPreset = -1;
    explorer->SetPresetChosen([&](int32_t bank, int32_t preset) {
        chosenBank = bank;
        chosenPreset = preset;
    });
    QTest::mouseClick(banks->viewport(), Qt::LeftButton, {}, banks->visualItemRect(banks->item(0)).center());
    EXPECT_EQ(explorer->Banks()->GetCurSel(), 0);
    EXPECT_EQ(Texts(explorer->Presets()), expected.presets);
    QListWidget* presets = explorer->Presets()->Window()->findChild<QListWidget*>();
    QTest::mouseClick(presets->viewport(), Qt::LeftButton, {}, presets->visualItemRect(presets->item(2)).center());
    EXPECT_EQ(chosenBank, 0);
    EXPECT_EQ(chosenPreset, 2);

    // A new explorer lists the banks already in the server (their samples
    // were not read by it).
    CBankExplorer second(window.get(), &host, 0, 0, 400, 300);
    EXPECT_EQ(second.Banks()->GetCount(), 2);
    second.SelectBank(0);
    EXPECT_EQ(Texts(second.Presets()), expected.presets);
    EXPECT_EQ(second.Samples()->GetCount(), 0);
}

TEST_F(BankExplorerTest, DamagedBankShowsTheErrorAndLeavesTheListsAsTheyWere)
{
    answers.answer = kBank;
    ClickLoad();
    const std::vector<std::string> presetsBefore = Texts(explorer->Presets());

    // The file cut short in the middle of its sample data.
    std::ifstream in(kBank, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string damaged = folder / "damaged.sf2";
    std::ofstream(damaged, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));

    testenv::CShownMessages shown;
    answers.answer = damaged;
    ClickLoad();
    ASSERT_EQ(shown.Shown().size(), 1u);
    const std::string text = shown.Shown()[0];
    EXPECT_EQ(text.rfind("Error 0x", 0), 0u) << text;
    EXPECT_NE(text.find("Occured While Loading '" + damaged + "'"), std::string::npos) << text;
    EXPECT_NE(explorer->LoadBankFile(damaged), 0);
    EXPECT_EQ(explorer->Banks()->GetCount(), 1);
    EXPECT_EQ(Texts(explorer->Presets()), presetsBefore);
    EXPECT_EQ(host.BankServer().GetBankCount(), 1);

    // A file that is no bank at all.
    const std::string text_file = folder / "notes.sf2";
    std::ofstream(text_file) << "not a bank";
    EXPECT_NE(explorer->LoadBankFile(text_file), 0);
    EXPECT_EQ(explorer->Banks()->GetCount(), 1);
}

TEST_F(BankExplorerTest, LayoutFollowsTheSharesAndTheSizeBarsMoveThem)
{
    // w = 800, h = 500: B = 776 * 0.3 = 232, I = 448 * 0.5 = 224, P = (800 - 232 - 28) * 0.5 = 270.
    EXPECT_EQ(explorer->Banks()->X(), 8);
    EXPECT_EQ(explorer->BanksBar()->X(), 240);
    EXPECT_EQ(explorer->Information()->X(), 246);
    EXPECT_EQ(explorer->Information()->Width(), 800 - 232 - 22);
    EXPECT_EQ(explorer->InformationBar()->Y(), 224 + 38);
    EXPECT_EQ(explorer->Presets()->Y(), 224 + 44 + 18);
    EXPECT_EQ(explorer->Presets()->Width(), 270);
    EXPECT_EQ(explorer->Samples()->X(), 232 + 270 + 20);
    EXPECT_EQ(explorer->Samples()->X() + explorer->Samples()->Width(), 800 - 8);
    EXPECT_EQ(explorer->Samples()->Y() + explorer->Samples()->Height(), 500 - 8);

    // Dragging the banks bar 100 pixels right: the share grows by 100 / 776.
    QWidget* bar = explorer->BanksBar()->Window();
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(3, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(103, 50), bar->mapToGlobal(QPointF(103, 50)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(3, 50));
    EXPECT_NEAR(explorer->BanksShare(), 0.3f + 100.0f / 776.0f, 1e-4);
    EXPECT_GT(explorer->BanksBar()->X(), 330);

    // The shares stay within 0.1 ... 0.9 however far the bar goes.
    explorer->BeginDrag(explorer->InformationBar());
    explorer->SizeBarMoved(-5000);
    EXPECT_FLOAT_EQ(explorer->InformationShare(), 0.1f);
    explorer->BeginDrag(explorer->PresetsBar());
    explorer->SizeBarMoved(5000);
    EXPECT_FLOAT_EQ(explorer->PresetsShare(), 0.9f);

    explorer->Move(0, 0, 600, 400);
    EXPECT_EQ(explorer->Samples()->X() + explorer->Samples()->Width(), 600 - 8);
    EXPECT_EQ(explorer->Banks()->Y() + explorer->Banks()->Height(), 400 - 8);
}

TEST_F(BankExplorerTest, LoadedBankMatchesTheReviewedPicture)
{
    answers.answer = kBank;
    ClickLoad();
    ASSERT_EQ(QFontInfo(*explorer->Font()).family().toStdString(), "DejaVu Sans");
    ProcessEventsUntil([] { return false; }, 50);
    ExpectMatchesReference(explorer->Window()->grab().toImage(), "app/view/reference/bank_explorer.png");
}
