#include "framework/TPicture.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(PictureTest, SizePixelsAndChangeNotifications) {
    TPicture Picture;
    EXPECT_TRUE(Picture.IsEmpty());
    int Changes = 0;
    Picture.OnChange = [&Changes](TObject*) { ++Changes; };

    Picture.SetSize(3, 2, clRed);
    EXPECT_FALSE(Picture.IsEmpty());
    EXPECT_EQ(Picture.GetPixels(), std::vector<TColor>(6, clRed));
    Picture.SetPixel(2, 1, clBlue);
    EXPECT_EQ(Picture.GetPixel(2, 1), clBlue);
    EXPECT_EQ(Picture.GetScanLine(1)[2], clBlue);
    EXPECT_EQ(Changes, 2);
    // Points outside and unchanged pixels change nothing; pictures hold
    // explicit colours only.
    Picture.SetPixel(3, 0, clGreen);
    Picture.SetPixel(0, -1, clGreen);
    Picture.SetPixel(2, 1, clBlue);
    EXPECT_EQ(Changes, 2);
    EXPECT_EQ(Picture.GetPixel(-1, 0), clBlack);
    EXPECT_EQ(Picture.GetScanLine(2), nullptr);
    Picture.SetPixel(0, 0, clHighlight);
    EXPECT_EQ(Picture.GetPixel(0, 0), clHighlight & 0xFFFFFF);

    // Assignment copies size and pixels, keeps the target's handler and
    // notifies once, only when something differs.
    TPicture Copy(1, 1);
    int CopyChanges = 0;
    Copy.OnChange = [&CopyChanges](TObject*) { ++CopyChanges; };
    Copy = Picture;
    EXPECT_EQ(Copy, Picture);
    Copy = Picture;
    EXPECT_EQ(CopyChanges, 1);
    EXPECT_EQ(Changes, 3);

    Picture.SetSize(-4, 5);
    EXPECT_TRUE(Picture.IsEmpty());
    EXPECT_EQ(Picture.GetWidth(), 0);
    EXPECT_TRUE(Picture.GetPixels().empty());
}
