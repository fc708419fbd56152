#include "framework/TFont.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

// Counts the notifications of a font and checks their sender.
struct TChangeCounter {
    int Count = 0;
    TObject* LastSender = nullptr;
    void Attach(TGraphicsObject& Object) {
        Object.OnChange = [this](TObject* Sender) {
            ++Count;
            LastSender = Sender;
        };
    }
};

} // namespace

TEST(FontTest, NewFontIsTheDefaultDialogFont) {
    const TFont Font;
    EXPECT_EQ(Font.GetName(), "MS Sans Serif");
    EXPECT_EQ(Font.GetHeight(), -11);
    EXPECT_EQ(Font.GetColor(), clWindowText);
    EXPECT_EQ(Font.GetStyle(), 0);
    EXPECT_EQ(Font.GetCharset(), fcDefaultCharset);
    EXPECT_EQ(Font.GetPitch(), fpDefault);
}

TEST(FontTest, SettersNotifyOnlyRealChanges) {
    TFont Font;
    TChangeCounter Changes;
    Changes.Attach(Font);

    Font.SetName("Courier New");
    Font.SetHeight(-11); // unchanged
    Font.SetColor(clRed);
    Font.SetCharset(fcAnsiCharset);
    Font.SetPitch(fpFixed);
    EXPECT_EQ(Changes.Count, 4);
    EXPECT_EQ(Changes.LastSender, &Font);

    // Only the four style bits belong to a font; the rest of a style byte is dropped.
    Font.SetStyle(0xF3);
    EXPECT_EQ(Font.GetStyle(), fsBold | fsItalic);
    Font.SetStyle(0x33); // same four bits
    EXPECT_EQ(Changes.Count, 5);
}

TEST(FontTest, CopiesCarryAttributesButNotTheHandler) {
    TFont Owned;
    TChangeCounter OwnerChanges;
    OwnerChanges.Attach(Owned);

    TFont Copy(Owned);
    EXPECT_TRUE(Copy == Owned);
    EXPECT_FALSE(Copy.OnChange);
    Copy.SetHeight(-20); // must not reach the owner of the original
    EXPECT_EQ(OwnerChanges.Count, 0);
    EXPECT_FALSE(Copy == Owned);

    // Assigning into the owned font keeps its handler and fires it once,
    // however many attributes differ.
    Copy.SetName("Courier New");
    Copy.SetStyle(fsUnderline | fsStrikeOut);
    Owned = Copy;
    EXPECT_EQ(OwnerChanges.Count, 1);
    EXPECT_TRUE(Owned == Copy);
    EXPECT_EQ(Owned.GetName(), "Courier New");
    EXPECT_EQ(Owned.GetStyle(), fsUnderline | fsStrikeOut);
    EXPECT_EQ(Owned.GetHeight(), -20);

    Owned.Assign(Copy); // nothing differs
    Owned.Assign(Owned);
    EXPECT_EQ(OwnerChanges.Count, 1);
    ASSERT_TRUE(Owned.OnChange);

    // Fonts differing only in name are different fonts.
    TFont Other(Copy);
    Other.SetName("Arial");
    EXPECT_FALSE(Other == Copy);
}
