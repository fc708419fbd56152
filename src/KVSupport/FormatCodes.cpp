#include "KVSupport/FormatCodes.h"

#include <array>
#include <bit>

namespace korvel {

namespace {

// A slot per CodeState bit (0..5) for counting codes by value.
size_t SlotOf(uint8_t Ch) {
    return static_cast<size_t>(std::countr_zero(CodeBit(Ch)));
}

} // namespace

uint8_t ToggleCodes(uint8_t State, std::string_view Text) {
    for (const char Ch : Text)
        State = ToggleCode(State, static_cast<uint8_t>(Ch));
    return State;
}

std::string StripCodes(std::string_view Text) {
    std::string Result;
    Result.reserve(Text.size());
    for (const char Ch : Text)
        if (!IsFormatCode(static_cast<uint8_t>(Ch)))
            Result += Ch;
    return Result;
}

std::string ClosingCodes(uint8_t State) {
    std::string Closing;
    for (const uint8_t Code : {fcUnderline, fcItalic, fcBold, fcHighlight, fcAltFont})
        if ((State & CodeBit(Code)) != 0)
            Closing += static_cast<char>(Code);
    return Closing;
}

// Pairs are taken greedily from the left: the first code of a run pairs with
// the next equal code of the run, and the search starts again at the same
// place. So of the occurrences of one value the pairs (1st, 2nd), (3rd, 4th)
// ... go and with an odd count the last one stays, which is what this linear
// pass keeps; pairs never span a byte that is not a code.
std::string_view CompactCodes(std::string_view Text, std::string& Scratch) {
    const size_t Length = Text.size();
    auto IsCode = [&Text](size_t I) { return IsFormatCode(static_cast<uint8_t>(Text[I])); };
    bool Copying = false;
    size_t Out = 0;
    size_t Pos = 0;
    while (Pos < Length) {
        if (!IsCode(Pos)) {
            if (Copying)
                Scratch[Out++] = Text[Pos];
            ++Pos;
            continue;
        }
        std::array<size_t, 6> Counts{};
        size_t End = Pos;
        bool Cancels = false;
        for (; End < Length && IsCode(End); ++End)
            Cancels |= ++Counts[SlotOf(static_cast<uint8_t>(Text[End]))] > 1;
        if (Cancels && !Copying) {
            Scratch.assign(Text.data(), Length); // the bytes before Pos are already in place
            Out = Pos;
            Copying = true;
        }
        if (Copying) {
            std::array<size_t, 6> Seen{};
            for (size_t I = Pos; I < End; ++I) {
                const size_t Slot = SlotOf(static_cast<uint8_t>(Text[I]));
                if (++Seen[Slot] == Counts[Slot] && Counts[Slot] % 2 == 1)
                    Scratch[Out++] = Text[I];
            }
        }
        Pos = End;
    }
    if (!Copying)
        return Text;
    Scratch.resize(Out);
    return Scratch;
}

} // namespace korvel
