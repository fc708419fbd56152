#include "platform/headless/THeadlessClipboard.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvel;

namespace {

const TClipboardFormat BlockFormat = TClipboard::RegisterFormat("Borland IDE Block Type");

} // namespace

TEST(ClipboardTest, ASessionCommitsEverythingItSetAtTheOutermostClose) {
    THeadlessClipboard Clipboard;
    Clipboard.SetContents({{CF_TEXT, "old"}, {BlockFormat, "\x02"}});

    ASSERT_TRUE(Clipboard.Open());
    ASSERT_TRUE(Clipboard.Open());
    EXPECT_EQ(Clipboard.GetOpenCount(), 2);
    // Before the first set the session reads the clipboard as it is.
    EXPECT_EQ(Clipboard.GetAsText(), "old");
    EXPECT_TRUE(Clipboard.HasFormat(BlockFormat));

    // The first set empties the clipboard: the old block marker is gone.
    EXPECT_TRUE(Clipboard.SetAsText("new"));
    EXPECT_FALSE(Clipboard.HasFormat(BlockFormat));
    EXPECT_EQ(Clipboard.GetAsText(), "new");
    // Later sets add formats; a format set twice keeps the later bytes.
    EXPECT_TRUE(Clipboard.SetData(BlockFormat, "\x01"));
    EXPECT_TRUE(Clipboard.SetData(BlockFormat, "\x02"));
    EXPECT_TRUE(Clipboard.HasFormat(CF_TEXT));

    // Other programs still see the old contents until the outermost Close.
    Clipboard.Close();
    EXPECT_EQ(Clipboard.GetCommitCount(), 0);
    EXPECT_EQ(Clipboard.GetContents().at(CF_TEXT), "old");
    Clipboard.Close();
    EXPECT_EQ(Clipboard.GetOpenCount(), 0);
    EXPECT_EQ(Clipboard.GetCommitCount(), 1);
    EXPECT_EQ(Clipboard.GetContents(), (TClipboardData{{CF_TEXT, "new"}, {BlockFormat, "\x02"}}));

    // A session that only reads commits nothing, and a stray Close is ignored.
    ASSERT_TRUE(Clipboard.Open());
    std::string Bytes;
    EXPECT_TRUE(Clipboard.GetData(BlockFormat, Bytes));
    EXPECT_EQ(Bytes, "\x02");
    Clipboard.Close();
    Clipboard.Close();
    EXPECT_EQ(Clipboard.GetOpenCount(), 0);
    EXPECT_EQ(Clipboard.GetCommitCount(), 1);
}

TEST(ClipboardTest, SetsOutsideASessionReplaceTheClipboardEachTime) {
    THeadlessClipboard Clipboard;
    EXPECT_TRUE(Clipboard.SetData(BlockFormat, "\x02"));
    EXPECT_TRUE(Clipboard.SetAsText(std::string("line\r\n\0tail", 11)));
    EXPECT_EQ(Clipboard.GetCommitCount(), 2);
    // The text format ends at a NUL; the text replaced the block marker.
    EXPECT_EQ(Clipboard.GetContents(), (TClipboardData{{CF_TEXT, "line\r\n"}}));
    EXPECT_FALSE(Clipboard.HasFormat(BlockFormat));

    // Text that another program left with a NUL inside is read up to it, and
    // an empty text is still text.
    Clipboard.SetContents({{CF_TEXT, std::string("ab\0cd", 5)}});
    EXPECT_EQ(Clipboard.GetAsText(), "ab");
    std::string Text;
    EXPECT_TRUE(Clipboard.GetData(CF_TEXT, Text));
    EXPECT_EQ(Text, "ab");
    EXPECT_TRUE(Clipboard.SetAsText(""));
    EXPECT_TRUE(Clipboard.HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard.GetAsText(), "");

    // Formats that were never registered are refused and change nothing.
    EXPECT_FALSE(Clipboard.SetData(0, "x"));
    EXPECT_FALSE(Clipboard.SetData(0xFFFF, "x"));
    EXPECT_FALSE(Clipboard.SetData(13, "x"));
    EXPECT_EQ(Clipboard.GetCommitCount(), 3);
    std::string Bytes = "stale";
    EXPECT_FALSE(Clipboard.GetData(BlockFormat, Bytes));
    EXPECT_EQ(Bytes, "");
}

TEST(ClipboardTest, AClipboardThatCannotBeOpenedChangesNothingAndSaysSo) {
    THeadlessClipboard Clipboard;
    Clipboard.SetContents({{CF_TEXT, "kept"}});
    Clipboard.SetOpenFails(true);

    EXPECT_FALSE(Clipboard.Open());
    EXPECT_EQ(Clipboard.GetOpenCount(), 0);
    EXPECT_FALSE(Clipboard.SetAsText("lost"));
    EXPECT_FALSE(Clipboard.SetData(BlockFormat, "\x02"));
    EXPECT_EQ(Clipboard.GetAsText(), "");
    std::string Bytes;
    EXPECT_FALSE(Clipboard.GetData(CF_TEXT, Bytes));
    // Asking for a format needs no session.
    EXPECT_TRUE(Clipboard.HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard.GetCommitCount(), 0);
    EXPECT_EQ(Clipboard.GetAcquireCount(), 0);

    // Once it can be had again, a failed attempt left nothing behind.
    Clipboard.SetOpenFails(false);
    ASSERT_TRUE(Clipboard.Open());
    EXPECT_EQ(Clipboard.GetAsText(), "kept");
    Clipboard.Close();
    EXPECT_EQ(Clipboard.GetAcquireCount(), 1);
}

TEST(ClipboardTest, RegisteredFormatsKeepTheirNumbersForTheProcess) {
    EXPECT_GE(BlockFormat, 0xC000u);
    EXPECT_EQ(TClipboard::RegisterFormat("Borland IDE Block Type"), BlockFormat);
    // Names compare like the system's registered names: without case.
    EXPECT_EQ(TClipboard::RegisterFormat("BORLAND ide block type"), BlockFormat);
    EXPECT_EQ(TClipboard::GetFormatName(BlockFormat), "Borland IDE Block Type");

    const TClipboardFormat Other = TClipboard::RegisterFormat("Quolt test format");
    EXPECT_NE(Other, 0u);
    EXPECT_NE(Other, BlockFormat);
    EXPECT_EQ(TClipboard::RegisterFormat("Quolt test format"), Other);

    EXPECT_EQ(TClipboard::RegisterFormat(""), 0u);
    EXPECT_EQ(TClipboard::GetFormatName(CF_TEXT), "");
    EXPECT_EQ(TClipboard::GetFormatName(0xFFFF), "");
}

TEST(ClipboardTest, TakenTextReachesTheSystemWithoutACopy) {
    THeadlessClipboard Clipboard;
    std::string Text(1 << 20, 'x');
    Text[1000] = '\0'; // cut here, in place
    const char* const Bytes = Text.data();
    ASSERT_TRUE(Clipboard.TakeAsText(std::move(Text)));
    EXPECT_TRUE(Text.empty());
    const std::string& Held = Clipboard.GetContents().at(CF_TEXT);
    EXPECT_EQ(Held.size(), 1000u);
    EXPECT_EQ(Held.data(), Bytes);

    // Inside a session it replaces the contents like any first set, and a
    // refused open leaves the text with the caller.
    ASSERT_TRUE(Clipboard.Open());
    EXPECT_TRUE(Clipboard.SetData(BlockFormat, "\x02"));
    EXPECT_TRUE(Clipboard.TakeAsText(std::string("taken")));
    Clipboard.Close();
    EXPECT_EQ(Clipboard.GetContents(), (TClipboardData{{CF_TEXT, "taken"}, {BlockFormat, "\x02"}}));
    Clipboard.SetOpenFails(true);
    std::string Kept = "kept";
    EXPECT_FALSE(Clipboard.TakeAsText(std::move(Kept)));
    EXPECT_EQ(Kept, "kept");
    Clipboard.SetOpenFails(false);
    EXPECT_EQ(Clipboard.GetAsText(), "taken");
}
