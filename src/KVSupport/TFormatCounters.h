#pragma once

#include <algorithm>
#include <cstdint>

namespace korvel {

// How far formatting and highlighting have got through a paragraph list:
// FormatFrontier, the first paragraph not yet formatted in sequence;
// FormatLast, the last paragraph waiting for formatting (-1 = none); and
// ContextValidTo, the last paragraph up to which every paragraph's start
// highlight state is current (-1 = none).
class TFormatCounters {
public:
    int32_t GetFormatFrontier() const { return FormatFrontier; }
    int32_t GetFormatLast() const { return FormatLast; }
    int32_t GetContextValidTo() const { return ContextValidTo; }
    // Paragraphs wait for formatting: FormatFrontier <= FormatLast.
    bool IsFormatPending() const { return FormatLast >= FormatFrontier; }

    // --- Formatting ---

    // Every paragraph of a list of Count waits (after a load or a re-layout).
    void MarkAllUnformatted(int32_t Count) {
        FormatFrontier = 0;
        FormatLast = Count - 1;
    }
    // Nothing waits in a list of Count paragraphs.
    void MarkAllFormatted(int32_t Count) {
        FormatFrontier = Count;
        FormatLast = -1;
    }
    // Paragraph Par was formatted in sequence: the next one is the frontier.
    void FrontierPast(int32_t Par) { FormatFrontier = Par + 1; }
    // Puts the frontier back where it stood before a range was formatted out
    // of sequence.
    void RestoreFrontier(int32_t Value) { FormatFrontier = Value; }
    // Paragraphs From .. To wait too.
    void MarkUnformatted(int32_t From, int32_t To) {
        FormatFrontier = std::min(FormatFrontier, From);
        FormatLast = std::max(FormatLast, To);
    }
    // Paragraph Par waits too, without moving the frontier back (a start
    // state carried into it: it is redone when the formatter gets there).
    void RaiseFormatLast(int32_t Par) { FormatLast = std::max(FormatLast, Par); }
    // Paragraphs First .. Last were replaced by Count new ones (Delta =
    // Count - (Last - First + 1)): the counters follow the paragraphs they
    // name, and restart at the new ones when they named a replaced one.
    void ParagraphsReplaced(int32_t First, int32_t Last, int32_t Count, int32_t Delta) {
        if (First < FormatFrontier)
            FormatFrontier = Last < FormatFrontier ? FormatFrontier + Delta : First;
        if (First < FormatLast && Last < FormatLast)
            FormatLast += Delta;
        else
            FormatLast = First + Count - 1;
    }

    // --- Highlight contexts ---

    // Nothing is current (after a load or a reset of the highlighting).
    void ResetContext() { ContextValidTo = -1; }
    // Paragraph Par's start state may have changed: only those before it
    // stay current.
    void InvalidateContextFrom(int32_t Par) { ContextValidTo = std::min(ContextValidTo, Par - 1); }
    // Every paragraph up to Par is current.
    void ContextValidUpTo(int32_t Par) { ContextValidTo = std::max(ContextValidTo, Par); }
    // Paragraphs First .. Last were scanned with the states before them: they
    // are current when all before First were. Carried: the end state of Last
    // changed and was carried into the next paragraph, which is stale.
    void ContextScanned(int32_t First, int32_t Last, bool Carried) {
        if (ContextValidTo >= First - 1)
            ContextValidTo = Carried ? Last : std::max(ContextValidTo, Last);
    }

private:
    int32_t FormatFrontier = 0;
    int32_t FormatLast = -1;
    int32_t ContextValidTo = -1;
};

} // namespace korvel
