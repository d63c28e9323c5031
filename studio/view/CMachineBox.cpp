#include "studio/view/CMachineBox.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/CPort.h"
#include "studio/CMachineContainer.h"
#include "ui/CDrawContext.h"
#include <QFontMetrics>
#include <algorithm>

namespace {

constexpr int32_t kHalfConnector = CMachineBox::kConnectorSize / 2;

// Colour numbers of the box faces: generators, effects and the master
// each have their own body and title colours.
struct FaceColors {
    int32_t body;
    int32_t title;
};
constexpr FaceColors kGeneratorColors{12, 14};
constexpr FaceColors kEffectColors{31, 22};
constexpr FaceColors kMasterColors{7, 6};
constexpr int32_t kTitleText = 4;
constexpr int32_t kBodyText = 29;
constexpr int32_t kOutline = 0;
constexpr int32_t kAudioConnector = 16;
constexpr int32_t kControlConnector = 38;

} // namespace

CMachineBox::CMachineBox(CMachineContainer* container, bool generator) : container(container), generator(generator) {}

CMachineBox::~CMachineBox() = default;

void CMachineBox::Layout(const QFont& font, QSize editorSize)
{
    name = container->GetName();
    typeName = container->GetType() && container->GetType()->name ? container->GetType()->name : "";
    position = QPoint(container->GetX(), container->GetY());
    connectors.clear();
    int32_t inputs = 0;
    int32_t outputs = 0;
    // Inputs down the left side, outputs down the right, the first ones
    // level with the name.
    for (int32_t i = 0; i < container->GetConnectorCount(); ++i) {
        CPort* port = container->GetConnector(i)->GetPort();
        bool output = port->IsOutput();
        int32_t row = output ? outputs++ : inputs++;
        connectors.push_back({port->name ? port->name : "", port->flags, QPoint(0, kTitleHeight / 2 + row * kPortPitch)});
    }

    QFontMetrics metrics(font);
    int32_t textWidth = metrics.horizontalAdvance(QString::fromUtf8(name.c_str()));
    int32_t width = std::max(kMinimumWidth, textWidth + 2 * kConnectorSize + 8);
    int32_t portRows = std::max({inputs, outputs, 1});
    int32_t height = std::max(kTitleHeight + 3, kTitleHeight + (portRows - 1) * kPortPitch);
    editorTop = height;
    if (!editorSize.isEmpty()) {
        width = std::max(width, editorSize.width() + 8);
        height = editorTop + editorSize.height() + 4;
    }
    size = QSize(width, height);
    for (Connector& connector : connectors)
        connector.centre.setX((connector.flags & PORT_OUTPUT) ? width : 0);
}

QRect CMachineBox::OuterBounds() const
{
    return Bounds().adjusted(-kHalfConnector, 0, kHalfConnector, 0);
}

int32_t CMachineBox::ConnectorAt(QPoint point) const
{
    // A little beyond the square, so that a connector is easy to hit.
    constexpr int32_t reach = kHalfConnector + 1;
    for (int32_t i = 0; i < GetConnectorCount(); ++i) {
        QPoint d = point - ConnectorCentre(i);
        if (std::abs(d.x()) <= reach && std::abs(d.y()) <= reach)
            return i;
    }
    return -1;
}

void CMachineBox::RenderFace(CColorManager* colors, const QFont& font)
{
    QRect outer = OuterBounds();
    face = QImage(outer.size(), QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
    CDrawContext dc(&face, colors, &font);
    const FaceColors& scheme = IsMaster() ? kMasterColors : generator ? kGeneratorColors : kEffectColors;
    const int32_t left = kHalfConnector;
    const int32_t width = size.width();
    const int32_t height = size.height();
    dc.FillRect(left, 0, width, height, kOutline);
    dc.FillRect(left + 1, 1, width - 2, editorTop - 2, scheme.body);
    if (height > editorTop)
        dc.FillRect(left + 1, editorTop - 1, width - 2, height - editorTop, scheme.title);
    dc.Text(left + kConnectorSize, 0, width - 2 * kConnectorSize, kTitleHeight + 1, name.c_str(),
            IsMaster() ? kTitleText : kBodyText, Qt::AlignHCenter | Qt::AlignVCenter);
    for (const Connector& connector : connectors) {
        int32_t cx = left + connector.centre.x() - kHalfConnector;
        int32_t cy = connector.centre.y() - kHalfConnector;
        dc.FillRect(cx, cy, kConnectorSize, kConnectorSize, kOutline);
        dc.FillRect(cx + 1, cy + 1, kConnectorSize - 2, kConnectorSize - 2,
                    (connector.flags & PORT_AUDIO) ? kAudioConnector : kControlConnector);
    }
}
