#include "sequencer/view/TextCache.h"
#include <QFontMetrics>
#include <QPainter>

namespace {
// Enough for every label of a large song; beyond it the cache starts over.
constexpr size_t kMaximumTexts = 8192;
} // namespace

void CTextCache::Draw(QPainter& painter, int x, int y, const std::string& text, int width)
{
    if (painter.font() != font) {
        texts.clear();
        font = painter.font();
    }
    std::string key = text;
    key.append(1, '\0').append(std::to_string(width));
    auto found = texts.find(key);
    if (found == texts.end()) {
        if (texts.size() >= kMaximumTexts)
            texts.clear();
        const QFontMetrics metrics(font);
        QStaticText laid(metrics.elidedText(QString::fromStdString(text), Qt::ElideRight, std::max(0, width)));
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        found = texts.emplace(std::move(key), std::move(laid)).first;
    }
    painter.drawStaticText(x, y, found->second);
}
