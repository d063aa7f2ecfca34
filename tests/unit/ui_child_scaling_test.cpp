// Laying the main window's children out on its design frame.
#include <gtest/gtest.h>

#include "ui/logic/child_scaling.h"

namespace {

TEST(ChildScalingTest, ScaleIsClientOverDesign) {
    ScalePair scale = {0, 0};
    ASSERT_TRUE(ComputeScalePair(523, 339, 600, 337, &scale));
    EXPECT_DOUBLE_EQ(scale.horizontal, 523.0 / 600.0);
    EXPECT_DOUBLE_EQ(scale.vertical, 339.0 / 337.0);
}

TEST(ChildScalingTest, EmptySizesGiveNoScale) {
    ScalePair scale = {7, 7};
    EXPECT_FALSE(ComputeScalePair(0, 339, 600, 337, &scale));
    EXPECT_FALSE(ComputeScalePair(523, 0, 600, 337, &scale));
    EXPECT_FALSE(ComputeScalePair(523, 339, 0, 337, &scale));
    EXPECT_FALSE(ComputeScalePair(523, 339, 600, -1, &scale));
    EXPECT_EQ(scale.horizontal, 7);  // untouched
}

TEST(ChildScalingTest, EdgesAreDividedAndTruncated) {
    ScalePair scale = {0.5, 2.0};
    PixelRect scaled = ScaleScreenRect({11, 11, 101, 13}, scale);
    EXPECT_EQ(scaled.left, 22);
    EXPECT_EQ(scaled.top, 5);     // 5.5 truncated
    EXPECT_EQ(scaled.right, 202);
    EXPECT_EQ(scaled.bottom, 6);  // 6.5 truncated
}

TEST(ChildScalingTest, ClientEqualToDesignLeavesChildrenInPlace) {
    ScalePair scale = {0, 0};
    ASSERT_TRUE(ComputeScalePair(600, 337, 600, 337, &scale));
    PixelRect rect = {29, 190, 498, 272};
    PixelRect scaled = ScaleScreenRect(rect, scale);
    EXPECT_EQ(scaled.left, rect.left);
    EXPECT_EQ(scaled.top, rect.top);
    EXPECT_EQ(scaled.right, rect.right);
    EXPECT_EQ(scaled.bottom, rect.bottom);
}

TEST(ChildScalingTest, DialogUnitsLandOnTheDesignFrame) {
    // 349 x 209 dialog units at 6 x 13 base units, one-pixel border: a
    // control at dialog units (189, 40) ends near 600/349 and 337/209
    // pixels per unit.
    int clientWidth = 349 * 6 / 4, clientHeight = 209 * 13 / 8;
    ScalePair scale = {0, 0};
    ASSERT_TRUE(ComputeScalePair(clientWidth, clientHeight, 600, 337, &scale));
    PixelRect screen = {1 + 189 * 6 / 4, 1 + 40 * 13 / 8, 1 + 286 * 6 / 4, 1 + 56 * 13 / 8};
    PixelRect scaled = ScaleScreenRect(screen, scale);
    EXPECT_NEAR(scaled.left - 1, 189 * 600 / 349, 2);
    EXPECT_NEAR(scaled.top - 1, 40 * 337 / 209, 2);
}

}  // namespace
