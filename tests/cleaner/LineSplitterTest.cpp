#include "Quolt_fm_Main/TLineSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quolt;
using namespace std::string_literals;

namespace {

using TLines = std::vector<std::string>;

// Feeds Pieces in order and returns the lines passed on.
TLines Split(const std::vector<std::string>& Pieces) {
    TLines Lines;
    TLineSplitter Splitter([&Lines](std::string_view Line) { Lines.emplace_back(Line); });
    for (const std::string& Piece : Pieces)
        Splitter.Add(Piece);
    Splitter.Finish();
    return Lines;
}

} // namespace

TEST(LineSplitterTest, PiecesSplitLikeTheWholeTextWhereverCut) {
    const std::string Text = "a\r\nb\rc\n\rd \r\n\t\r\n\x01\r e\r\r\nf\0g\r\nh"s;
    const TLines Whole = Split({Text});
    EXPECT_EQ(Whole, (TLines{"a", "b", "c", "d ", " e", "f"}));
    for (size_t i = 0; i <= Text.size(); ++i)
        for (size_t j = i; j <= Text.size(); ++j)
            ASSERT_EQ(Split({Text.substr(0, i), Text.substr(i, j - i), "", Text.substr(j)}), Whole)
                << i << " " << j;

    // Byte by byte, through the single-character entry.
    TLines Lines;
    TLineSplitter Splitter([&Lines](std::string_view Line) { Lines.emplace_back(Line); });
    for (char Ch : Text)
        Splitter.Add(Ch);
    Splitter.Finish();
    EXPECT_TRUE(Splitter.Ended());
    Splitter.Add("more\r\n");
    Splitter.Finish();
    EXPECT_EQ(Lines, Whole);
}

TEST(LineSplitterTest, LongLinesAndBreaksAtTheBufferEdge) {
    // A line far longer than the buffer, whole and in many pieces.
    const std::string Long(300000, 'x');
    EXPECT_EQ(Split({Long + "\r\n", "y"}), (TLines{Long, "y"}));
    std::vector<std::string> Pieces(3000, std::string(100, 'x'));
    Pieces.push_back("\nz");
    EXPECT_EQ(Split(Pieces), (TLines{Long, "z"}));

    // A CR LF or an LF CR wherever it falls against the buffer's size.
    for (size_t Length = 131060; Length < 131080; ++Length) {
        const std::string Head(Length, 'h');
        EXPECT_EQ(Split({Head + "\r\nt"}), (TLines{Head, "t"})) << Length;
        EXPECT_EQ(Split({Head, "\r", "\nt"}), (TLines{Head, "t"})) << Length;
        EXPECT_EQ(Split({Head + "\n\r\n\rt"}), (TLines{Head, "t"})) << Length;
    }

    // Many short lines over many buffers, ended by a NUL far in.
    std::string Text;
    TLines Expected;
    for (int i = 0; i < 50000; ++i) {
        Expected.push_back("line " + std::to_string(i));
        Text += Expected.back() + (i % 3 ? "\r\n" : i % 2 ? "\n" : "\r") + " \t\r\n";
    }
    EXPECT_EQ(Split({Text + '\0' + "ignored\r\n"}), Expected);
}
