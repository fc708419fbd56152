// The repair of the view after a change of the text: the changed paragraphs
// in view are formatted, the window contents below them move, the bars, the
// caret and the changed lines follow, and OnChange fires.

#include "KVSupport/TFormatScheduler.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "platform/TControlHost.h"
#include "platform/WindowsCodes.h"

#include <algorithm>
#include <climits>

namespace korvel {

namespace {

int32_t Saturated(int64_t Value) {
    return static_cast<int32_t>(std::clamp<int64_t>(Value, INT32_MIN, INT32_MAX));
}

} // namespace

void TKorvel::UpdateAfterChange() {
    if (UpdateLock > 0)
        return;
    TParagraphsList& List = GetParagraphsList();
    if (List.GetPendingChange().IsPending())
        RepairPendingChange();
    List.GetPendingChange().Clear();
    RepaintMissed();
    if (List.GetTextChanged()) {
        List.SetTextChanged(false);
        Change();
    }
    if (IsViewLive())
        UpdateCaret(false);
}

void TKorvel::RepairPendingChange() {
    TParagraphsList& List = GetParagraphsList();
    const TPendingChange Pending = List.GetPendingChange();
    TViewMetrics& View = GetView();
    const int32_t Count = List.GetCount();
    const int32_t First = std::clamp(Pending.GetFirstPara(), 0, Count - 1);
    int32_t Last = std::clamp(Pending.GetLastPara(), First, Count - 1);
    const int32_t FirstParLine = List.GetFirstLine(First);
    const int32_t LineInFirst = std::max(Pending.GetFirstLine() - FirstParLine, 0);
    const int32_t OldMaxWidth = View.MaxLineWidth;
    const bool Live = IsViewLive();

    // 1. The first changed paragraph, keeping the lines a patch left
    // unchanged when the change stayed inside it.
    if (!Pending.GetLinesPatched())
        ScanStartStopUpTo(First);
    const bool KeepLines = Pending.GetLinesPatched() && Last == First;
    const TParagraphFormat Done = Scheduler->FormatParagraph(First, LineInFirst, KeepLines);
    int64_t FormatDelta = Done.LineDelta;
    const int32_t TopPar = TopLineNavigator->GetParIndex();
    if (TopPar == First)
        TopLineNavigator->Reset();
    if (CaretNav->GetParIndex() == First)
        CaretLineUnknown();

    // 2. Paragraphs in view whose start state the change carried into: a
    // highlight state (not scanned) or format codes left open (not
    // formatted).
    const int64_t InView = int64_t{TopPar} + ViewState.VisibleLines;
    constexpr uint8_t Current = pfScanned | pfFormatted;
    while (Last + 1 < Count && Last + 1 <= InView && (List[Last + 1].Flags & Current) != Current) {
        ++Last;
        ScanStartStopUpTo(Last);
    }
    if (Last > First)
        List.GetFormatCounters().MarkUnformatted(First + 1, Last);

    // 3. The rest of the changed paragraphs: formatted now when in view (or
    // in immediate mode), else left to the scheduler with the lines they
    // have.
    int64_t Running = int64_t{FirstParLine} + List[First].LineCountOf();
    int32_t Formatted = 1;
    for (int32_t I = First + 1; I <= Last; ++I) {
        List.SetFirstLine(I, Saturated(Running));
        if (UpdateMode == umImmediate || (I >= TopPar && I <= InView)) {
            ScanStartStopUpTo(I);
            FormatDelta += Scheduler->FormatParagraph(I).LineDelta;
            ++Formatted;
        }
        Running += List[I].LineCountOf();
    }
    if (FormatDelta != 0)
        List.ShiftFirstLines(Last + 1, Saturated(FormatDelta));

    // 4. Line positions cached in the changed paragraphs are stale.
    MarkLinePositionsStale(First, Last);
    if (!Live)
        return;

    // 5. The view.
    const int32_t LineH = View.LineHeightPx;
    const int32_t OldTop = View.TopPixel;
    if (View.TopPixel >= 0 && LineH > 0)
        View.TopPixel =
            Saturated(LinePixels(TopLineNavigator->GetGlobalLine()) + View.TopPixel % LineH);
    // The changed lines, and the first line after them (lines a patch kept
    // behind the change count as moved, not changed).
    const int32_t FirstChanged =
        std::min(Pending.GetFirstLine(), List.GetFirstLine(First) + Done.FirstChangedLine);
    const int32_t NewEnd = KeepLines ? List.GetFirstLine(First) + Done.LastNewLine + 1
                                     : List.GetFirstLine(Last) + List[Last].LineCountOf();
    const int64_t LineDelta = int64_t{Pending.GetLineDelta()} + FormatDelta;
    const bool TextWidthChanged = [&] {
        if (LineDelta == 0 && View.TopPixel == OldTop)
            return false;
        // What stood below the change moves from its old place to its new.
        const int64_t OldY = LinePixels(Saturated(NewEnd - LineDelta)) - OldTop;
        const int64_t NewY = LinePixels(NewEnd) - View.TopPixel;
        const int64_t Dy = NewY - OldY;
        const int32_t ClientHeight = GetClientHeight();
        const int64_t From = std::max<int64_t>(std::min(OldY, NewY), 0);
        if (Dy != 0 && From < ClientHeight) {
            const TRect Below{0, static_cast<int32_t>(From), View.TextWidth, ClientHeight};
            if (GetBackgroundBmp().IsEmpty() && Dy >= -32768 && Dy <= 32767)
                GetHost()->ScrollWindow(0, static_cast<int32_t>(Dy), &Below);
            else
                GetHost()->Invalidate(&Below, false);
        }
        const bool Changed = UpdateVertScrollBar();
        if (HasVertBar)
            GetHost()->SetScrollPos(SB_VERT, View.TopPixel / VertUnit, true);
        return Changed;
    }();

    // The widest line: measured again when unknown, and the bar follows when
    // it changed, also when the edit itself widened it.
    const bool Unwrapped = !GetWordWrap() || GetColumnWrap() > 0;
    if (Unwrapped) {
        if (View.WidestPara < 0)
            FindWidestParagraph();
        if (View.MaxLineWidth != OldMaxWidth && HasHorzBar) {
            UpdateHorzScrollBar();
            GetHost()->SetScrollPos(SB_HORZ, View.LeftPixel / HorzUnit, true);
        }
    }
    InvalidateLines(FirstChanged, std::max(NewEnd - 1, FirstChanged), false);

    if (TextWidthChanged || Last > First || Formatted > 1) {
        if (UpdateMode == umImmediate) {
            const TFormatCounters& Counters = List.GetFormatCounters();
            FormatParagraphs(Counters.GetFormatFrontier(), Counters.GetFormatLast(), false, false);
        } else if (UpdateMode == umBackground && !IsDesigning()) {
            ResumeFormatThread();
        }
    }
}

} // namespace korvel
