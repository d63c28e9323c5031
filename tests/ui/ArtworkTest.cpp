// The stock artwork decodes with the program's reader exactly as Qt's own
// PNG loader (libpng) reads it, and has the shapes the controls expect.
#include "ui/CPicture.h"
#include <QImage>
#include <QString>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace {

void ExpectSameAsQt(const std::string& name, int32_t width, int32_t height, bool alpha)
{
    SCOPED_TRACE(name);
    std::string path = std::string(ARTWORK_DIR) + "/" + name;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CPicture picture;
    picture.Decode(bytes.data(), bytes.size());
    ASSERT_EQ(picture.width, width);
    ASSERT_EQ(picture.height, height);
    ASSERT_EQ(picture.alpha, alpha);
    QImage reference(QString::fromStdString(path));
    ASSERT_FALSE(reference.isNull());
    reference = reference.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* ours = picture.Row(y);
        const uint8_t* theirs = reference.constScanLine(y);
        for (size_t i = 0; i < picture.RowBytes(); ++i)
            ASSERT_EQ(ours[i], theirs[i]) << "row " << y << " byte " << i;
    }
}

} // namespace

TEST(ArtworkTest, StockPicturesDecodeLikeQtsLoader)
{
    ExpectSameAsQt("about.png", 492, 312, false);
    ExpectSameAsQt("panel.png", 240, 140, false);
    ExpectSameAsQt("toolbar.png", 64, 30, false);
    ExpectSameAsQt("knob.png", 32, 32 * 64, true);
    ExpectSameAsQt("knob_small.png", 20, 20 * 64, true);
    ExpectSameAsQt("slider_thumb.png", 16, 10, true);
    ExpectSameAsQt("slider_track.png", 16, 110, true);
    ExpectSameAsQt("button_up.png", 28, 18, true);
    ExpectSameAsQt("button_hover.png", 28, 18, true);
    ExpectSameAsQt("button_down.png", 28, 18, true);
    ExpectSameAsQt("meter_cells.png", 36, 16, false);
}
