#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <string>
#include <vector>

class CColorManager;
class CControl;
class CDefaultGUI;
class CMachineContainer;
class CProgramToolBar;
class CStudio;
class QFont;

// The view of one machine container in the studio view: its box geometry
// in studio coordinates, its connectors, the face picture drawn once per
// layout, and the editor it shows (the default editor with its program bar,
// or the machine's own editor inside a frame control).
//
// Geometry and face are read by the studio view's render under its buffer
// lock (possibly on the graphics thread) and changed on the GUI thread under
// the same lock; editor controls are GUI-thread only. Nothing here calls
// into the machine while drawing: names and port data are copied at layout.
class CMachineBox {
public:
    static constexpr int32_t kTitleHeight = 19;
    static constexpr int32_t kPortPitch = 14;
    static constexpr int32_t kConnectorSize = 10;
    static constexpr int32_t kMinimumWidth = 100;

    struct Connector {
        std::string name;
        int32_t flags;
        QPoint centre; // relative to the box
    };

    CMachineBox(CMachineContainer* container, bool generator);
    ~CMachineBox();
    CMachineBox(const CMachineBox&) = delete;
    CMachineBox& operator=(const CMachineBox&) = delete;

    CMachineContainer* GetContainer() const { return container; }
    const std::string& GetName() const { return name; }
    const std::string& GetTypeName() const { return typeName; }
    bool IsGenerator() const { return generator; }
    bool IsMaster() const { return name == "Master"; }

    // Copies name and ports from the container and lays the box out for
    // `editorSize` (0 x 0: no editor shown). GUI thread, studio lock held
    // or the graph otherwise unchanged.
    void Layout(const QFont& font, QSize editorSize);
    // Draws the face picture from the laid-out data.
    void RenderFace(CColorManager* colors, const QFont& font);
    const QImage& Face() const { return face; }

    // Studio coordinates.
    QPoint Position() const { return position; }
    void SetPosition(QPoint at) { position = at; }
    QRect Bounds() const { return QRect(position, size); }
    // The box with its connectors, which stand half outside its sides.
    QRect OuterBounds() const;
    // Where an editor's top-left corner goes, relative to the box.
    QPoint EditorOrigin() const { return QPoint(4, editorTop); }

    int32_t GetConnectorCount() const { return static_cast<int32_t>(connectors.size()); }
    const Connector& GetConnector(int32_t index) const { return connectors[static_cast<size_t>(index)]; }
    QPoint ConnectorCentre(int32_t index) const { return position + GetConnector(index).centre; }
    // The connector at the studio point, or -1.
    int32_t ConnectorAt(QPoint point) const;

    // Editor state shown (CMachineContainer::GuiState) and its controls.
    int32_t shownState = 0;
    CDefaultGUI* defaultGUI = nullptr;
    CProgramToolBar* programBar = nullptr;
    CControl* editorFrame = nullptr; // parent of the machine's own editor
    bool customCreated = false;      // CreateGUI gave an editor
    bool customRefused = false;      // CreateGUI gave none or threw

private:
    CMachineContainer* container;
    bool generator;
    std::string name;
    std::string typeName;
    std::vector<Connector> connectors;
    QPoint position;
    QSize size;
    int32_t editorTop = kTitleHeight;
    QImage face;
};
