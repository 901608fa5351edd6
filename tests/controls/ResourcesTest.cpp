#include "controls/Resources.h"

#include <gtest/gtest.h>

#include <set>

// The panes draw these in their own size at fixed places, or cut frames out of them: a picture of
// another size leaves gaps or shows the neighbouring frame.
TEST(Resources, EveryBitmapTheWorkspaceLoadsHasItsSize)
{
    struct Case
    {
        int id;
        const char* role;
        int width;  // 0: any
        int height; // 0: any
    };
    const Case cases[] = {
        {313, "transport bar background", 0, 60},
        {315, "meter bar", 0, 0},
        {317, "status panel", 226, 40},
        {337, "help toolbar buttons: three 3-frame 28 x 28 images", 252, 28},
        {338, "toolbar background", 0, 75},
        {355, "level bar", 0, 0},
        {356, "spectrum bar", 0, 0},
        {359, "sound meter panel", 0, 40},
        {360, "next stage", 120, 40},
        {361, "pause", 120, 40},
        {362, "play", 120, 40},
        {363, "previous stage", 120, 40},
        {364, "record", 120, 40},
        {365, "go to start", 120, 40},
        {366, "stop", 120, 40},
        {370, "session length panel", 170, 40},
        {371, "slider channel, the slider's size", 123, 20},
        {372, "slider thumb", 0, 0},
        {374, "segment textures", 0, 0},
        {375, "timeline and stages background", 0, 0},
        {377, "load meter panel", 160, 40},
        {412, "recorder panel frame", 0, 40},
        {415, "recorder top bar", 0, 70},
        {430, "record mark", 0, 0},
        {432, "splitter", 8, 0},
        {433, "properties background", 0, 0},
        {434, "about picture", 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.role);
        const QPixmap bitmap = ui::LoadBitmap(c.id);
        ASSERT_FALSE(bitmap.isNull()) << c.id;
        if (c.width != 0)
        {
            EXPECT_EQ(bitmap.width(), c.width);
        }
        if (c.height != 0)
        {
            EXPECT_EQ(bitmap.height(), c.height);
        }
    }
    EXPECT_EQ(ui::LoadBitmap(374).height() % 16, 0); // 16 stacked rows of equal height
}

TEST(Resources, EveryIconIs32By32AndEveryCursorLoads)
{
    const std::set<int> toolbarAndMenus = {382, 384, 386, 387, 437, 459, 378, 377, 414, 415, 407,
                                           438, 385, 379, 391, 451, 453, 456, 452, 454, 449, 455,
                                           450, 436, 441, 440, 439, 442, 447, 460, 444, 443, 128};
    for (int id : toolbarAndMenus)
    {
        const QPixmap icon = ui::LoadIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        EXPECT_EQ(icon.size(), QSize(32, 32)) << id;
    }
    for (int id : {320, 321, 322, 323, 324})
        EXPECT_TRUE(ui::LoadCursor(id).has_value()) << id;
}

// Creation-failure paths of the panes are reached by making one picture fail; the others and the
// same id afterwards must be unaffected.
TEST(Resources, FailureHookAffectsOnlyItsIdAndKind)
{
    ASSERT_FALSE(ui::LoadBitmap(377).isNull());
    {
        ui::ScopedResourceFailure fail(ui::ResourceKind::Bitmap, 377);
        EXPECT_TRUE(ui::LoadBitmap(377).isNull());
        EXPECT_FALSE(ui::LoadIcon(377).isNull()); // the icon of the same number is another picture
        EXPECT_FALSE(ui::LoadBitmap(313).isNull());
        const auto ids = ui::ResourceIds(ui::ResourceKind::Bitmap);
        EXPECT_EQ(std::count(ids.begin(), ids.end(), 377), 0);
    }
    EXPECT_FALSE(ui::LoadBitmap(377).isNull());
    {
        ui::ScopedResourceFailure fail(ui::ResourceKind::Cursor, 323);
        EXPECT_FALSE(ui::LoadCursor(323).has_value());
    }
    EXPECT_TRUE(ui::LoadCursor(323).has_value());
    EXPECT_TRUE(ui::LoadBitmap(999).isNull());
    EXPECT_FALSE(ui::LoadCursor(999).has_value());
}
