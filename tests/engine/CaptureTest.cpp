// Full-page captures of fixture pages, checked by their pixels and sizes.
#include <QJsonValue>

#include "tests/engine/EngineFixture.h"

namespace qm::test {
namespace {

using cdp::SnapshotEncoding;

class CaptureTest : public EngineTest
{
};

TEST_F(CaptureTest, ShortPageFillsTheViewportWidthWithoutBodyMargin)
{
    LoadPage("/short",
        "<!doctype html><html><body style='background:rgb(0,128,0)'>"
        "<div style='height:300px;background:rgb(255,0,0)'></div></body></html>");
    const auto snapshot = Capture(*tab);
    ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
    const QImage image = Pixels(*snapshot);
    EXPECT_EQ(image.size(), QSize(1280, 800));
    EXPECT_EQ(snapshot->size, image.size());
    // The body's 8 px margin is stripped: red starts in the very first pixel.
    EXPECT_LE(ColourDistance(image.pixel(0, 0), qRgb(255, 0, 0)), 2);
    EXPECT_LE(ColourDistance(image.pixel(1279, 299), qRgb(255, 0, 0)), 2);
    EXPECT_LE(ColourDistance(image.pixel(640, 300), qRgb(0, 128, 0)), 2);
}

} // namespace
} // namespace qm::test
