#include "KVSupport/TFormatScheduler.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/TFormatViewClient.h"
#include "KVSupport/THighlightEngine.h"
#include "KVSupport/TLayoutSettings.h"
#include "KVSupport/TParagraphsList.h"
#include "platform/TClock.h"

#include <algorithm>

namespace korvel {

namespace {

// Suppresses painting while it lives and restores the previous state; a
// scheduler whose control was destroyed abandons it.
class TPaintSuppression {
public:
    explicit TPaintSuppression(TFormatViewClient& Client)
        : Client(&Client), Previous(Client.GetPaintSuppressed()) {
        Client.SetPaintSuppressed(true);
    }
    ~TPaintSuppression() { End(); }
    TPaintSuppression(const TPaintSuppression&) = delete;
    TPaintSuppression& operator=(const TPaintSuppression&) = delete;

    void End() {
        if (Client != nullptr)
            Client->SetPaintSuppressed(Previous);
        Client = nullptr;
    }
    void Abandon() { Client = nullptr; }

private:
    TFormatViewClient* Client;
    bool Previous;
};

uint32_t IntervalOf(const TFormatViewClient& View) {
    return static_cast<uint32_t>(std::max(View.GetProgressInterval(), 0));
}

} // namespace

TFormatScheduler::TFormatScheduler(TParagraphsList& List, TLayoutSettings& Layout,
                                   THighlightEngine& Engine, TFormatViewClient& View)
    : List(List), Layout(Layout), Engine(Engine), View(View), Breaker(List, Layout),
      Alive(std::make_shared<bool>(true)) {}

TFormatScheduler::~TFormatScheduler() {
    *Alive = false;
}

bool TFormatScheduler::Report() {
    const std::shared_ptr<bool> Survived = Alive;
    View.ReportProgress();
    // The handler may have drawn on the canvas.
    if (*Survived)
        FontSelected = false;
    return *Survived;
}

TParagraphFormat TFormatScheduler::FormatParagraph(int32_t Index, int32_t FromLine,
                                                   bool KeepUnchangedLines) {
    return Format(Index, FromLine, !KeepUnchangedLines, false);
}

TParagraphFormat TFormatScheduler::Format(int32_t Index, int32_t FromLine, bool Full, bool InPass) {
    Engine.HighlightParagraph(Index);
    TParagraph& Par = List[Index];
    Par.Flags |= pfKeywords | pfFormatted;
    // Within a pass the canvas keeps the font the previous paragraph ended
    // in; it is selected again only when this paragraph starts in another.
    bool SelectFont = true;
    if (InPass && FontSelected) {
        const uint8_t Style = Layout.EffectiveStyle(Par.StartCodeState(), Par.StartRun()->Flags);
        SelectFont = ((Style ^ Breaker.GetSelectedStyle()) & ~csHighlight) != 0;
    }
    TParagraphFormat Result;
    Result.FirstChangedLine = FromLine;
    Result.LineCount =
        Breaker.BreakLines(Layout.Canvas, SelectFont, Result.FirstChangedLine, Result.LastNewLine,
                           Full, Par, Index, Layout.View.TextWidth, Result.LineDelta);
    FontSelected = InPass && Layout.Canvas != nullptr;
    return Result;
}

void TFormatScheduler::FormatParagraphs(int32_t First, int32_t Last, bool WithProgress,
                                        bool Force) {
    TFormatCounters& Counters = List.GetFormatCounters();
    const TClock& Clock = View.GetFormatClock();
    const int32_t EntryFrontier = Counters.GetFormatFrontier();
    Last = std::min(Last, List.GetCount() - 1);
    if (!Force)
        First = std::max(First, EntryFrontier);
    First = std::max(First, 0);
    if (Last < First)
        return;
    const bool Progress = WithProgress && View.HasProgressHandler();
    uint32_t ReportTick = Progress ? Clock.GetTickCount() : 0;

    TPaintSuppression Suppression(View);
    if (!Progress)
        Engine.ScanStartStopUpTo(Last);
    const int32_t CaretPar = View.GetCaretParagraph();
    const int32_t OldMaxWidth = Layout.View.MaxLineWidth;
    bool CaretFormatted = false;
    bool AnyFormatted = false;
    int32_t TotalDelta = 0;
    int32_t Running = List.GetFirstLine(First);
    FontSelected = false;
    for (int32_t I = First; I <= Last; ++I) {
        if (Progress)
            Engine.ScanStartStopUpTo(I);
        if (I > First)
            List.SetFirstLine(I, Running);
        int32_t Lines;
        if (!Force && (List[I].Flags & pfFormatted) != 0) {
            Lines = List[I].LineCountOf();
        } else {
            if (Progress && Clock.GetTickCount() - ReportTick > IntervalOf(View)) {
                if (!Report()) {
                    Suppression.Abandon();
                    return;
                }
                ReportTick = Clock.GetTickCount();
            }
            const TParagraphFormat Done = Format(I, 0, true, true);
            Lines = Done.LineCount;
            TotalDelta += Done.LineDelta;
            AnyFormatted = true;
            if (I == CaretPar) {
                View.CaretLineUnknown();
                CaretFormatted = true;
            }
        }
        Counters.FrontierPast(I);
        Running += Lines;
    }
    FontSelected = false;

    if (AnyFormatted) {
        View.MarkLinePositionsStale(First, Last);
        if (TotalDelta != 0) {
            List.ShiftFirstLines(Counters.GetFormatFrontier(), TotalDelta);
            View.KeepTopOnSameText();
            // A re-layout of everything re-marked the counters: they are
            // its now, so the frontier is not put back.
            if (View.UpdateScrollBarsForLines())
                return;
        }
        if (CaretFormatted)
            View.PlaceCaretAgain();
        if (Layout.View.MaxLineWidth != OldMaxWidth)
            View.WidestLineChanged();
    }
    Suppression.End();

    if (First == EntryFrontier) {
        if (Progress && Counters.GetFormatFrontier() >= List.GetCount())
            Report();
    } else {
        Counters.RestoreFrontier(EntryFrontier);
    }
}

bool TFormatScheduler::FormatStep() {
    if (View.IsUpdateLocked())
        return true;
    TFormatCounters& Counters = List.GetFormatCounters();
    const int32_t Count = List.GetCount();
    if (Counters.GetFormatFrontier() >= Count) {
        View.SuspendFormatThread();
        return true;
    }
    const TClock& Clock = View.GetFormatClock();
    uint32_t LastTick = Clock.GetTickCount();
    const uint32_t Deadline = LastTick + TimeSlice;
    const int32_t FirstDone = Counters.GetFormatFrontier();
    const int32_t OldMaxWidth = Layout.View.MaxLineWidth;
    int32_t Running = List.GetFirstLine(FirstDone);
    int32_t TotalDelta = 0;
    bool AnyFormatted = false;
    FontSelected = false;
    // The clock is read before every batch of paragraphs. A batch starts as
    // one paragraph and doubles, up to BatchParagraphs, while the clock has
    // not moved since it was read last; it also ends once BatchBytes of text
    // were formatted. So a step passes its slice by at most one batch, and
    // reading the clock costs little beside formatting short paragraphs.
    int32_t Batch = 1;
    int32_t BatchLeft = 0;
    int64_t BatchText = 0;
    // A paragraph's scan may carry a new start state into the next one and
    // so raise FormatLast: it is read again for every paragraph.
    while (Counters.GetFormatFrontier() <= std::min(Counters.GetFormatLast(), Count - 1)) {
        if (BatchLeft == 0 || BatchText >= BatchBytes) {
            const uint32_t Tick = Clock.GetTickCount();
            if (static_cast<int32_t>(Tick - Deadline) >= 0)
                break;
            if (Tick == LastTick && BatchLeft == 0)
                Batch = std::min(Batch * 2, BatchParagraphs);
            LastTick = Tick;
            BatchLeft = Batch;
            BatchText = 0;
        }
        --BatchLeft;
        const int32_t I = Counters.GetFormatFrontier();
        TParagraph& Par = List[I];
        int32_t Lines;
        if ((Par.Flags & pfFormatted) != 0) {
            Lines = Par.LineCountOf();
        } else {
            if ((Par.Flags & pfScanned) == 0)
                Engine.ScanStartStopUpTo(I);
            const TParagraphFormat Done = Format(I, 0, true, true);
            Lines = Done.LineCount;
            TotalDelta += Done.LineDelta;
            AnyFormatted = true;
            BatchText += Par.ParLength();
        }
        Counters.FrontierPast(I);
        Running += Lines;
        if (I + 1 < Count)
            List.SetFirstLine(I + 1, Running);
    }
    FontSelected = false;

    if (AnyFormatted) {
        const int32_t Frontier = Counters.GetFormatFrontier();
        View.MarkLinePositionsStale(FirstDone, Frontier - 1);
        if (TotalDelta != 0) {
            List.ShiftFirstLines(Frontier + 1, TotalDelta);
            View.UpdateScrollBarsForLines();
        }
        if (View.IsCaretLineUnknown())
            View.PlaceCaretAgain();
        View.KeepTopOnSameText();
        if (Layout.View.MaxLineWidth != OldMaxWidth)
            View.WidestLineChanged();
    }

    if (View.HasProgressHandler()) {
        const uint32_t Now = Clock.GetTickCount();
        if (Now - LastProgressTick > IntervalOf(View)) {
            if (!Report())
                return false;
            LastProgressTick = Now;
        }
    }

    const int32_t Frontier = Counters.GetFormatFrontier();
    if (Counters.GetFormatLast() >= Frontier && Frontier < List.GetCount())
        return true; // more to do: the thread asks again
    View.SuspendFormatThread();
    Counters.MarkAllFormatted(List.GetCount());
    if (View.HasProgressHandler())
        return Report();
    return true;
}

} // namespace korvel
