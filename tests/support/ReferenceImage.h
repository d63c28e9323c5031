#pragma once
// Compares a rendered picture with a reviewed reference under tests/. With
// VELMORA_UPDATE_REFERENCE=1 the reference is written instead (look at it
// before committing it); the rendered picture is always left in the build
// tree beside the tests.
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

// Font rasterising may differ by rounding everywhere and clearly in a few
// pixels; `allowed` is how many may differ by more than 3 in a channel.
inline void ExpectMatchesReference(const QImage& rendered, const std::string& relativePath, int allowed = 40)
{
    const QImage actual = rendered.convertToFormat(QImage::Format_RGB32);
    const std::string referencePath = std::string(VELMORA_SOURCE_DIR) + "/tests/" + relativePath;
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
    ASSERT_EQ(reference.size(), actual.size()) << "actual image: " << actualPath;
    int clearlyDifferent = 0;
    int worst = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb r = reference.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(r)), std::abs(qGreen(a) - qGreen(r)),
                                    std::abs(qBlue(a) - qBlue(r))});
            worst = std::max(worst, d);
            clearlyDifferent += d > 3;
        }
    }
    EXPECT_LE(clearlyDifferent, allowed) << "worst channel difference " << worst << "; actual image: " << actualPath;
}
