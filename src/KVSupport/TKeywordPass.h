#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/TKeyInfo.h"
#include "KVSupport/UpperCaseRules.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class TNavigatorHost;
struct THighlightContext;
class TKorvelNavigator;
struct TParagraph;
class TParagraphsList;
class TUpperCaseCache;

// Gives the span [From, To) one state and restores, at To, the state that was
// in force there. With Automatic the state gets hfAutomatic and always takes
// a run of its own; without it its Flags become 0 and it takes one only where
// automatic formatting was in force. Every run inside the span goes, each
// paragraph of it loses pfFormatted, and later paragraphs of the span start
// with the new state. With MarkForLayout the span is recorded as a pending
// change of the paragraph list. The navigators may be given in either order.
void SetRangeState(TParagraphsList& List, TKorvelNavigator& From, TKorvelNavigator& To,
                   bool MarkForLayout, bool Automatic, HighlightRun State);
// The same by paragraph index and offset (FirstPar/From before LastPar/To),
// without the layout mark.
void SetRangeStateAt(TParagraphsList& List, int32_t FirstPar, int32_t From, int32_t LastPar,
                     int32_t To, bool Automatic, HighlightRun State);

// The keyword pass: finds the keywords of the control's keyword list in a
// span and gives each occurrence a state of its own that lasts exactly over
// it.
//
// Each paragraph of the span is copied once (raw and, when any keyword
// ignores case, upper-cased through the control's cache) into a window that
// reaches a keyword's length beyond the span on each side; text under a
// state that forbids keywords is masked with the byte 0x05. Then every
// keyword with a context number, in list order, is searched leftmost-first
// with non-overlapping occurrences; each accepted occurrence is masked too,
// so an earlier keyword of the list wins over a later one on the same
// characters. Whole-word keywords need a separator (or the paragraph's edge)
// on both sides in the paragraph's own text. Matches are applied in batches
// of at most MatchBufferSize.
//
// The pass searches a compact copy of the list, made on first use and made
// again after ListChanged (ResetHighlighting calls it), whenever the list's
// change count differs from the copy's (any change of any keyword, its case
// rule included), and while an update bracket is open. Before searching a window, the keywords
// whose first or last byte pair does not occur in it are set aside, 64 at a time and without a
// branch per keyword. The byte pairs present in a window of text, so that a keyword with a pair
// that does not occur there is not searched at all. Pairs are hashed into
// PairSlots slots stamped with a generation number, so a new window costs no
// clearing; a collision only lets a keyword through to its search.
class TBytePairFilter {
public:
    static constexpr uint16_t PairSlots = 4096;
    // A slot present in every window: keys shorter than two bytes use it.
    static constexpr uint16_t AnySlot = PairSlots;

    // Forgets the pairs of the previous window.
    void Start();
    void Add(const char* Text, size_t Length);
    bool Has(uint16_t Slot) const { return Stamps[Slot] == Generation; }

    // The slots of the first and of the last pair of Key.
    static uint16_t FirstPair(std::string_view Key);
    static uint16_t LastPair(std::string_view Key);

private:
    static uint16_t Slot(char First, char Second) {
        const auto Pair =
            static_cast<uint32_t>(static_cast<uint8_t>(First)) << 8 | static_cast<uint8_t>(Second);
        return static_cast<uint16_t>((Pair * 40503u >> 4) & (PairSlots - 1));
    }

    std::array<uint16_t, PairSlots + 1> Stamps{};
    uint16_t Generation = 0;
};

// A keyword of the list as the pass searches it: only those that can match
// (a context number, a key, an index that fits a stack entry).
struct TCompiledKeyword {
    std::string Key; // the working form (UpKey)
    int32_t Index = 0;
    bool MatchCase = false;
    bool WholeWords = false;
    // TBytePairFilter slots of its first and last pair, upper-cased (for
    // windows searched upper-cased too) and as they are.
    uint16_t FirstSlot = 0;
    uint16_t LastSlot = 0;
    uint16_t RawFirstSlot = 0;
    uint16_t RawLastSlot = 0;
    TKeyInfo Info;
};

class TKeywordPass {
public:
    static constexpr int32_t MatchBufferSize = 16;
    static constexpr char MaskByte = 0x05;

    TKeywordPass(TNavigatorHost& Host, const THighlightContext& Context,
                 TUpperCaseCache& UpperCache);

    // The pass over [From, To] (a span inside one paragraph for the callers
    // of the control, though any span works): the highlighter's keyword hook
    // first, then, with ApplyKeyWords and a non-empty list, the search. An
    // occurrence must begin at or before To and reach From or the text
    // just before it. Afterwards From and To stand at least at the end of
    // the last match applied.
    void ApplyKeywords(TKorvelNavigator& From, TKorvelNavigator& To);
    // The same by paragraph index and offset.
    void ApplyKeywordsAt(int32_t FirstPar, int32_t From, int32_t LastPar, int32_t To);
    // The pass over [From, To] of paragraph Par, the highlighter's hook
    // included (its navigators are HookFrom and HookTo, placed only when a
    // highlighter is assigned).
    void ApplyKeywordsInParagraph(int32_t Par, int32_t From, int32_t To, TKorvelNavigator& HookFrom,
                                  TKorvelNavigator& HookTo);

    // Applies the buffered matches in order and empties the buffer. A match
    // where 16 highlights are already open is left out.
    void ApplyKeywordMatches();
    int32_t GetMatchCount() const { return MatchCount; }

    // The keyword list changed: the compact copy is made again on next use.
    void ListChanged() { CopyValid = false; }

private:
    struct TMatch {
        int32_t Keyword; // in the compact copy
        int32_t Par;
        int32_t Offset;
        int32_t Length;
    };

    // The compact copy, made again when the list no longer fits it.
    const std::vector<TCompiledKeyword>& Compiled();
    void SearchKeyword(const TCompiledKeyword& Keyword, int32_t Entry, const TParagraph& Par,
                       int32_t ParIndex, int32_t From, int32_t To, bool FirstOfSpan,
                       bool LastOfSpan);
    void SearchParagraph(int32_t Par, int32_t From, int32_t To, bool FirstOfSpan, bool LastOfSpan);
    // Masks the text of Par from From to To (the window) under states that
    // forbid keywords.
    void MaskForbidden(const TParagraph& Par, int32_t From, int32_t To, bool Upper);
    void AddMatch(const TMatch& Match);

    TNavigatorHost& Host;
    const THighlightContext& Context;
    TUpperCaseCache& UpperCache;
    std::array<TMatch, MatchBufferSize> Matches{};
    int32_t MatchCount = 0;
    // The text position after the furthest match applied since the last
    // pass by navigators began.
    int32_t FurthestMatchEnd = -1;
    // Working copies of the window, kept between passes to spare allocations.
    std::string Raw;
    std::string Up;
    TBytePairFilter Pairs;
    // Window of the paragraph being searched.
    int32_t WindowStart = 0;
    int32_t WindowEnd = 0;
    bool WindowUpper = false;

    std::vector<TCompiledKeyword> Copy;
    bool CopyValid = false;
    bool CopyNeedsUpper = false; // some keyword ignores case
    uint32_t CopyChangeCount = 0;
    int32_t CopyMaxKeyLen = 0;
    TkvUpperCase CopyRule = kvuAscii;
};

} // namespace korvel
