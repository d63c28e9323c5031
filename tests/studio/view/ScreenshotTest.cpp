// The studio view on the demo song, and a default editor, compared with
// reviewed references. VELMORA_UPDATE_REFERENCE=1 writes new references
// into the source tree; look at them before committing them.
#include "support/ReferenceImage.h"
#include "StudioViewFixture.h"
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include <QImage>
#include <algorithm>
#include <cstdlib>

namespace {

void RegisterTypes(CVelmHost& host)
{
    RegisterBuiltInMachineTypes(host);
    CPlugInDiscovery(&host, DiscoverySettings{}).ScanMachineLibraries(std::string(VELMORA_BIN_DIR) + "/PlugIns");
}

void CompareWithReference(const QImage& actual, const char* name)
{
    ExpectMatchesReference(actual, std::string("studio/view/reference/") + name, actual.width() * actual.height() / 500);
}

QImage Grab(CControl& control)
{
    QCoreApplication::processEvents();
    return control.Window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(StudioViewScreenshotTest, DemoSongMatchesTheReviewedReference)
{
    CStudioSession session(44100, 256, RegisterTypes);
    ASSERT_EQ(session.LoadProject(std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp"), 0);
    CColorManager colors;
    auto window = MakeHostWindow("Studio", 800, 520, &colors);
    CStudioView view(window.get(), &session.Studio(), 0, 0, 800, 520);
    view.Show(kShow);
    ASSERT_GE(view.GetBoxCount(), 5);
    ASSERT_FALSE(view.GetCables().empty());
    CompareWithReference(Grab(view), "demo_song.png");
}

TEST_F(StudioViewTest, DefaultEditorMatchesTheReviewedReference)
{
    window->Move(0, 0, 560, 420);
    view->Move(0, 0, 560, 420);
    CMachineContainer* master = studio().GetMaster();
    studio().RemoveMachine(master);
    CMachineContainer* synth = Add("ZT DudeRivi", 20, 20);
    view->ShowEditor(Box(synth), CMachineContainer::GUI_DEFAULT);
    CompareWithReference(Grab(*view), "default_editor.png");
}
