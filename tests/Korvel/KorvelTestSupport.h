#pragma once

#include "KVSupport/TParagraph.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace korvel::test {

// Count paragraphs joined by CR LF. Paragraph I holds Words(I) words of
// five letters (a word is 6 pixels a byte wide on the headless canvas).
template <class TWords>
std::string MakeParagraphs(int32_t Count, TWords Words) {
    std::string Text;
    for (int32_t I = 0; I < Count; ++I) {
        if (I > 0)
            Text += "\r\n";
        for (int32_t W = 0; W < Words(I); ++W) {
            if (W > 0)
                Text += ' ';
            Text += static_cast<char>('a' + (I + W) % 26);
            Text += "bcde";
        }
    }
    return Text;
}

// Count paragraphs of three words: one display line each.
inline std::string ShortParagraphs(int32_t Count) {
    return MakeParagraphs(Count, [](int32_t) { return 3; });
}

// The bytes of a literal, zero bytes included.
template <size_t N>
std::string Raw(const char (&Text)[N]) {
    return std::string(Text, N - 1);
}

inline void LoadText(TKorvel& Control, std::string_view Text) {
    TMemoryStream Stream{Text};
    Control.LoadFromStream(Stream);
}

inline TParagraphsList& ListOf(TKorvel& Control) {
    return Control.GetParagraphsList();
}

inline int32_t Frontier(TKorvel& Control) {
    return ListOf(Control).GetFormatCounters().GetFormatFrontier();
}

inline int32_t FormatLast(TKorvel& Control) {
    return ListOf(Control).GetFormatCounters().GetFormatLast();
}

inline bool HasFlags(TKorvel& Control, int32_t Par, uint8_t Flags) {
    return (ListOf(Control)[Par].Flags & Flags) == Flags;
}

// How many paragraphs carry all of Flags.
inline int32_t CountWith(TKorvel& Control, uint8_t Flags) {
    int32_t N = 0;
    for (int32_t I = 0; I < Control.GetParagraphCount(); ++I)
        N += HasFlags(Control, I, Flags) ? 1 : 0;
    return N;
}

// A control in a headless window of 400 x 300 client pixels. The control is
// held by a pointer so that a test can destroy it in any state.
struct TWindowed {
    THeadlessHost Host{{400, 300}};
    std::unique_ptr<TKorvel> Control = std::make_unique<TKorvel>();

    TWindowed() = default;
    // Loads Text, sets Mode, then creates the window.
    explicit TWindowed(std::string_view Text, TkvUpdateMode Mode = umBackground) {
        LoadText(*Control, Text);
        Control->SetUpdateMode(Mode);
        Host.Attach(*Control);
    }
    ~TWindowed() {
        // The control goes first (as a form frees its controls before it
        // is gone), so that the host sees it leave.
        Control.reset();
    }

    TKorvel& operator*() { return *Control; }
    TKorvel* operator->() { return Control.get(); }

    // Delivers posted messages until none is left (at most Limit rounds);
    // returns the rounds.
    int32_t PumpUntilIdle(int32_t Limit = 100000) {
        int32_t Rounds = 0;
        while (Host.PendingMessages() > 0 && Rounds < Limit) {
            Host.PumpMessages();
            ++Rounds;
        }
        return Rounds;
    }
};

} // namespace korvel::test
