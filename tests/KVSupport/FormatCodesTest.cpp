#include "KVSupport/FormatCodes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace korvel;

namespace {

// Cancelling pairs removed exactly as described for saving: from the left, a
// code pairs with the next equal code among the codes that follow it, both
// go and the same place is examined again.
std::string CompactByPairs(std::string Text) {
    size_t K = 0;
    while (K < Text.size()) {
        const auto Code = static_cast<uint8_t>(Text[K]);
        bool Removed = false;
        if (IsFormatCode(Code)) {
            for (size_t J = K + 1; J < Text.size() && IsFormatCode(static_cast<uint8_t>(Text[J]));
                 ++J) {
                if (static_cast<uint8_t>(Text[J]) == Code) {
                    Text.erase(J, 1);
                    Text.erase(K, 1);
                    Removed = true;
                    break;
                }
            }
        }
        if (!Removed)
            ++K;
    }
    return Text;
}

} // namespace

TEST(FormatCodesTest, FiveCodesToggleTheirBitsAndNothingElseDoes) {
    EXPECT_EQ(ToggleCode(0, 0x01), csItalic);
    EXPECT_EQ(ToggleCode(0, 0x02), csBold);
    EXPECT_EQ(ToggleCode(0, 0x15), csUnderline);
    EXPECT_EQ(ToggleCode(0, 0x03), csHighlight);
    EXPECT_EQ(ToggleCode(0, 0x04), csAltFont);
    EXPECT_EQ(ToggleCode(csBold | csItalic, 0x02), csItalic);
    int Codes = 0;
    for (int Ch = 0; Ch < 256; ++Ch) {
        if (IsFormatCode(static_cast<uint8_t>(Ch)))
            ++Codes;
        else
            EXPECT_EQ(ToggleCode(0x2A, static_cast<uint8_t>(Ch)), 0x2A) << Ch;
    }
    EXPECT_EQ(Codes, 5);
    EXPECT_EQ(ToggleCodes(0, "\x02"
                             "a\x15\x02\x15\x01"),
              csItalic);
}

TEST(FormatCodesTest, StripAndClosingCodes) {
    EXPECT_EQ(StripCodes("\x02"
                         "a\x15"
                         "b\x02"),
              "ab");
    const std::string Plain = "plain\ttext\x05\x14\x16\n\xff";
    EXPECT_EQ(StripCodes(Plain), Plain);
    EXPECT_EQ(ClosingCodes(0), "");
    EXPECT_EQ(ClosingCodes(csBold), "\x02");
    EXPECT_EQ(ClosingCodes(csAltFont | csHighlight | csBold | csItalic | csUnderline),
              "\x15\x01\x02\x03\x04");
    EXPECT_EQ(ClosingCodes(csStrikeOut), ""); // no code toggles strike-out
}

TEST(FormatCodesTest, CompactCodesRemovesCancellingPairsOnly) {
    std::string Scratch;
    EXPECT_EQ(CompactCodes("\x02\x02x", Scratch), "x");
    EXPECT_EQ(CompactCodes("\x02\x01\x02x", Scratch), "\x01x");
    EXPECT_EQ(CompactCodes("\x02x\x02", Scratch), "\x02x\x02"); // a character between
    EXPECT_EQ(CompactCodes("a\x01\x02\x02\x01\x01"
                           "b",
                           Scratch),
              "a\x01"
              "b");
    // Nothing to remove: the text itself comes back, no copy is made.
    const std::string_view Kept = "\x02\x01x\x15\x04";
    EXPECT_EQ(CompactCodes(Kept, Scratch).data(), Kept.data());

    // The linear pass gives what removing pairs one by one gives.
    std::mt19937 Random(7);
    const char Alphabet[] = {1, 2, 3, 4, 0x15, 'a', 9};
    for (int Round = 0; Round < 3000; ++Round) {
        std::string Text(Random() % 24, ' ');
        for (char& Ch : Text)
            Ch = Alphabet[Random() % (Round % 2 == 0 ? 5 : sizeof Alphabet)];
        const std::string_view Compacted = CompactCodes(Text, Scratch);
        ASSERT_EQ(std::string(Compacted), CompactByPairs(Text)) << Round;
        ASSERT_EQ(ToggleCodes(0, Compacted), ToggleCodes(0, Text));
    }
}
