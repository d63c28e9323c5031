#pragma once
// A studio with the built-in types, the core machines library, the small
// test machines and two machines with editors of their own, shown in a
// studio view inside a real top-level window.
#include "framework/Errors.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/view/CMachineBox.h"
#include "studio/view/CPopupMenu.h"
#include "studio/view/CStudioView.h"
#include "support/QtTestSupport.h"
#include "support/StudioFixture.h"
#include "support/TestMachines.h"
#include "ui/CLabel.h"
#include <QAction>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A machine with parameters, programs and an editor of its own; it notes
// whether its lock was held when a parameter was set. `throwing` makes its
// editor calls throw.
class CEditorMachine : public CParameterMachine {
public:
    CEditorMachine(CHost* host, bool throwing) : CParameterMachine(host, 3), throwing(throwing)
    {
        CreatePrograms(3);
        for (int32_t i = 0; i < programCount; ++i)
            std::snprintf(programs[i].name, kProgramNameSize, "Sound %c", 'A' + i);
    }
    ~CEditorMachine() override { delete editor; }
    void SetParameter(int32_t index, double value) override
    {
        lockedOnSet.push_back(IsLocked());
        CParameterMachine::SetParameter(index, value);
    }
    void GetParameterName(int32_t index, char* out) override { std::snprintf(out, kMachineTextSize, "Knob %d", index); }
    void GetParameterDisplay(int32_t index, char* out) override
    {
        std::snprintf(out, kMachineTextSize, "%.3f", GetParameter(index));
    }
    bool GetGUIRect(int32_t* top, int32_t* left, int32_t* right, int32_t* bottom) override
    {
        *top = 0;
        *left = 0;
        *right = 180;
        *bottom = 60;
        return true;
    }
    CControl* CreateGUI(CControl* parent) override
    {
        if (throwing)
            throw std::runtime_error("Editor Exploded");
        editor = new CLabel(parent, "Own Editor", 0, 0, 180, 60);
        editor->Show(kShow);
        return editor;
    }
    void ShowGUI() override { ++shows; }
    void HideGUI() override { ++hides; }
    void IdleGUI() override { ++idles; }

    bool throwing;
    CLabel* editor = nullptr;
    int shows = 0;
    int hides = 0;
    int idles = 0;
    std::vector<bool> lockedOnSet;
};

class CEditorMachineInfo : public CMachineInfo {
public:
    CEditorMachineInfo(CHost* host, const char* typeName, bool throwing) : host(host), throwing(throwing)
    {
        name = typeName;
        identifier = typeName;
    }
    CMachine* CreateMachine() override { return new CEditorMachine(host, throwing); }

private:
    CHost* host;
    bool throwing;
};

// Error boxes shown while it lives.
class CShownErrors {
public:
    CShownErrors()
    {
        texts().clear();
        SetShowHandler([](const char*, const char* text) { texts().push_back(text); });
    }
    ~CShownErrors() { SetShowHandler(nullptr); }
    static std::vector<std::string>& texts()
    {
        static std::vector<std::string> shown;
        return shown;
    }
};

class StudioViewTest : public ::testing::Test {
protected:
    static constexpr int32_t kWidth = 900;
    static constexpr int32_t kHeight = 640;

    StudioViewTest()
    {
        CPlugInDiscovery discovery(&fixture.host, DiscoverySettings{});
        discovery.ScanMachineLibraries(std::string(VELMORA_BIN_DIR) + "/PlugIns");
        editorType = new CEditorMachineInfo(&fixture.host, "ZT Own Editor", false);
        throwingType = new CEditorMachineInfo(&fixture.host, "ZT Throwing Editor", true);
        plainType = new CParameterMachineInfo(&fixture.host, "ZT Knobless", "VelmPlug::ZT Knobless", 0);
        fixture.host.RegisterMachineInfo(editorType);
        fixture.host.RegisterMachineInfo(throwingType);
        fixture.host.RegisterMachineInfo(plainType);
        studio().NewProject();
        studio().ClearChanged();
        window = MakeHostWindow("Studio", kWidth, kHeight, &colors);
        view = std::make_unique<CStudioView>(window.get(), &studio(), 0, 0, kWidth, kHeight);
        view->Show(kShow);
        QCoreApplication::processEvents();
    }
    ~StudioViewTest() override
    {
        view.reset();
        window.reset();
    }

    CStudio& studio() { return *fixture.studio; }
    QWidget* widget() { return view->Window(); }

    CMachineContainer* Add(const char* type, int32_t x, int32_t y)
    {
        return studio().AddMachine(studio().NewMachineName(type).c_str(), fixture.host.FindMachineInfoByName(type), x, y);
    }
    CMachineBox* Box(CMachineContainer* container) { return view->FindBox(container); }
    // Where a connector sits in the view.
    QPoint ConnectorPoint(CMachineContainer* container, int32_t port)
    {
        return view->ToView(Box(container)->ConnectorCentre(port));
    }
    QPoint TitlePoint(CMachineContainer* container)
    {
        return view->ToView(Box(container)->Position() + QPoint(30, 8));
    }

    void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton) { QTest::mousePress(widget(), button, {}, at); }
    void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseRelease(widget(), button, {}, at); }
    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        Press(at, button);
        Release(at, button);
    }
    // Press, move in steps with the button held, release.
    void Drag(QPoint from, QPoint to)
    {
        Press(from);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(widget(), from + (to - from) * step / 4);
        Release(to);
    }

    // The menu opened by the last right click, once it shows.
    QMenu* OpenedMenu(CPopupMenu& menu)
    {
        EXPECT_TRUE(ProcessEventsUntil([&] { return menu.Menu()->isVisible(); }));
        return menu.Menu();
    }
    static std::vector<std::string> Items(QMenu* menu)
    {
        std::vector<std::string> items;
        for (QAction* action : menu->actions())
            items.push_back(action->isSeparator() ? "-" : (action->isEnabled() ? "" : "(grey) ") + action->text().toStdString());
        return items;
    }
    // Clicks the item as a user would; false when it is missing or greyed.
    bool Choose(CPopupMenu& popup, const std::string& text)
    {
        QMenu* menu = OpenedMenu(popup);
        for (QAction* action : menu->actions()) {
            if (action->text().toStdString() == text && action->isEnabled()) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                QCoreApplication::processEvents();
                return true;
            }
        }
        menu->hide();
        return false;
    }
    // Right click on the box's title, then the item.
    bool ChooseOnBox(CMachineContainer* container, const std::string& text)
    {
        Click(TitlePoint(container), Qt::RightButton);
        return Choose(view->GetBoxMenu(), text);
    }

    CStudioFixture fixture;
    CMachineInfo* editorType;
    CMachineInfo* throwingType;
    CMachineInfo* plainType;
    CColorManager colors;
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CStudioView> view;
};
