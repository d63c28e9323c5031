#pragma once
// Compares a grabbed window with a reviewed reference picture in the source
// tree. VELMORA_UPDATE_REFERENCE=1 writes the actual picture as the new
// reference instead (look at it before committing it).
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

inline void ExpectMatchesReference(const QImage& grabbed, const std::string& relativePath, int allowedPixels = 60)
{
    QImage actual = grabbed.convertToFormat(QImage::Format_RGB32);
    const std::string referencePath = std::string(VELMORA_SOURCE_DIR) + "/" + relativePath;
    std::string name = relativePath.substr(relativePath.find_last_of('/') + 1);
    const std::string actualPath = std::string(VELMORA_TEST_DIR) + "/actual_" + name;
    actual.save(QString::fromStdString(actualPath));
    if (std::getenv("VELMORA_UPDATE_REFERENCE")) {
        ASSERT_TRUE(actual.save(QString::fromStdString(referencePath)));
        GTEST_SKIP() << "reference written to " << referencePath;
    }
    QImage reference(QString::fromStdString(referencePath));
    ASSERT_FALSE(reference.isNull()) << "no reference at " << referencePath;
    reference = reference.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(reference.size(), actual.size());
    // Font rasterising may move a few pixels clearly; the rest may differ
    // only by rounding.
    int clearlyDifferent = 0;
    int worst = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            QRgb a = actual.pixel(x, y);
            QRgb r = reference.pixel(x, y);
            int d = std::max({std::abs(qRed(a) - qRed(r)), std::abs(qGreen(a) - qGreen(r)),
                              std::abs(qBlue(a) - qBlue(r))});
            worst = std::max(worst, d);
            clearlyDifferent += d > 3;
        }
    }
    EXPECT_LE(clearlyDifferent, allowedPixels) << "worst channel difference " << worst << "; actual: " << actualPath;
}
