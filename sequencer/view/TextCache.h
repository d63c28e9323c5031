#pragma once
#include <QFont>
#include <QStaticText>
#include <string>
#include <unordered_map>

class QPainter;

// Texts laid out once and drawn many times (key labels, row labels, entry
// names): a full view draws hundreds per render, and laying text out again
// each time costs more than the rest of the render. Texts wider than their
// width are cut with an ellipsis.
class CTextCache {
public:
    // Draws `text` with its top-left corner at (x, y) in the painter's pen.
    void Draw(QPainter& painter, int x, int y, const std::string& text, int width);

private:
    std::unordered_map<std::string, QStaticText> texts;
    QFont font;
};
