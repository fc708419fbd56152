// The formatting side of the control: the update mode, the formatting
// scheduler's view client, the background thread's life, and the re-layout
// of everything.

#include "KVSupport/TFormatScheduler.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "platform/TClock.h"
#include "platform/TControlHost.h"
#include "platform/WindowsCodes.h"

#include <algorithm>

namespace korvel {

// --- formatting ---

void TKorvel::SetUpdateMode(TkvUpdateMode Value) {
    if (Value == UpdateMode)
        return;
    StopFormatThread();
    UpdateMode = Value;
    if (IsDesigning() || !IsViewLive())
        return;
    const TFormatCounters& Counters = GetParagraphsList().GetFormatCounters();
    if (Value == umImmediate) {
        FormatParagraphs(Counters.GetFormatFrontier(), Counters.GetFormatLast(), true, false);
    } else if (Value == umBackground) {
        CreateFormatThread();
        if (Counters.GetFormatLast() >= Counters.GetFormatFrontier())
            FormatThread->Resume();
    }
}

void TKorvel::FormatParagraphs(int32_t First, int32_t Last, bool WithProgress, bool Force) {
    Scheduler->FormatParagraphs(First, Last, WithProgress, Force);
}

TParagraphFormat TKorvel::FormatParagraph(int32_t Index) {
    return Scheduler->FormatParagraph(Index);
}

void TKorvel::FormatStep() {
    Scheduler->FormatStep();
}

uint32_t TKorvel::GetLastProgressTick() const {
    return Scheduler->GetLastProgressTick();
}

TkvThreadState TKorvel::GetFormatThreadState() const {
    return FormatThread ? FormatThread->GetState() : tsNone;
}

void TKorvel::CreateFormatThread() {
    FormatThread = std::make_unique<TkvFormatThread>(*this);
    FormatThread->OnTerminate = [this](TkvFormatThread* Thread) { FormatThreadDone(Thread); };
}

// A thread asked to end also needs to run once more to end.
void TKorvel::ResumeFormatThread() {
    if (FormatThread && FormatThread->GetSuspended())
        FormatThread->Resume();
}

void TKorvel::SuspendFormatThread() {
    if (FormatThread && !FormatThread->GetSuspended())
        FormatThread->Suspend();
}

// Without its callback the thread ends silently. No step is running while
// this code runs (steps run on this thread), so it ends at once.
void TKorvel::StopFormatThread() {
    if (!FormatThread)
        return;
    const std::unique_ptr<TkvFormatThread> Stopping = std::move(FormatThread);
    Stopping->Detach();
    Stopping->OnTerminate = nullptr;
    if (Stopping->GetSuspended())
        Stopping->Resume();
    Stopping->Terminate();
}

void TKorvel::FormatThreadDone(TkvFormatThread* Thread) {
    if (HandleAllocated())
        GetHost()->OutputDebugString("FormTerm");
    if (FormatThread.get() == Thread)
        (void)FormatThread.release(); // it is being destroyed by its owner
}

void TKorvel::FormatStepMessage() {
    if (FormatThread) {
        FormatThread->StepDelivered();
        // A terminated thread ends at its next step instead of stepping.
        if (FormatThread->IsTerminated()) {
            std::unique_ptr<TkvFormatThread> Ended = std::move(FormatThread);
            Ended.reset(); // its callback runs
            return;
        }
    }
    if (!Scheduler->FormatStep())
        return; // a progress handler destroyed the control
    if (FormatThread && !FormatThread->GetSuspended())
        FormatThread->RequestStep();
}

const TClock& TKorvel::GetFormatClock() const {
    return HandleAllocated() ? GetHost()->GetClock() : GetParagraphsList().GetClock();
}

void TKorvel::ReportProgress() {
    if (OnProgress)
        OnProgress(this);
}

int32_t TKorvel::GetCaretParagraph() {
    return CaretNav->GetParIndex();
}

void TKorvel::CaretLineUnknown() {
    CaretNav->Reset();
}

bool TKorvel::IsCaretLineUnknown() const {
    return CaretNav->CachedLineIndex() < 0;
}

void TKorvel::PlaceCaretAgain() {
    if (HandleAllocated())
        UpdateCaret(false);
}

void TKorvel::MarkLinePositionsStale(int32_t FirstPara, int32_t LastPara) {
    const TParagraphsList& List = GetParagraphsList();
    if (List.GetCount() == 0 || LastPara < FirstPara)
        return;
    FirstPara = std::clamp(FirstPara, 0, List.GetCount() - 1);
    TKorvelNavigator::InvalidateNavigators(*this, List.GetStartOffset(FirstPara), LastPara);
}

void TKorvel::KeepTopOnSameText() {
    TViewMetrics& View = GetView();
    if (!IsViewLive() || View.TopPixel < 0 || View.LineHeightPx <= 0)
        return;
    const int64_t Top = int64_t{TopLineNavigator->GetGlobalLine()} * View.LineHeightPx +
                        View.TopPixel % View.LineHeightPx;
    if (Top == View.TopPixel || Top > INT32_MAX)
        return;
    View.TopPixel = static_cast<int32_t>(Top);
    if (HasVertBar)
        GetHost()->SetScrollPos(SB_VERT, View.TopPixel / VertUnit, true);
}

bool TKorvel::UpdateScrollBarsForLines() {
    if (!IsViewLive())
        return false;
    const bool Relaid = UpdateVertScrollBar();
    if (HasVertBar)
        GetHost()->SetScrollPos(SB_VERT, GetView().TopPixel / VertUnit, true);
    return Relaid;
}

void TKorvel::WidestLineChanged() {
    if (!IsViewLive() || !HasHorzBar || (GetWordWrap() && GetColumnWrap() == 0))
        return;
    UpdateHorzScrollBar();
    GetHost()->SetScrollPos(SB_HORZ, GetView().LeftPixel / HorzUnit, true);
}

void TKorvel::HighlightingReset() {
    RelayoutAll();
    Invalidate();
}

// --- view and scrolling ---

void TKorvel::RelayoutAll() {
    TViewMetrics& View = GetView();
    TParagraphsList& List = GetParagraphsList();
    View.MaxLineWidth = 0;
    View.WidestPara = -1;
    HoverLine = -1;
    if (GetLayout().OneLinePerParagraph())
        CollapseToOneLinePerParagraph();
    const bool Live = IsViewLive();
    if (Live)
        UpdateHorzScrollBar();
    if (IsLoading() || UpdateLock > 0 || !Live) {
        List.MarkAllUnformatted();
        return;
    }
    const int32_t Last = List.GetCount() - 1;
    if (IsDesigning()) {
        FormatParagraphs(0, Last, true, true);
        return;
    }
    switch (UpdateMode) {
    case umImmediate:
        FormatParagraphs(0, Last, true, true);
        List.GetFormatCounters().MarkAllFormatted(List.GetCount());
        break;
    case umOnNeed:
        List.MarkAllUnformatted();
        break;
    case umBackground:
        List.MarkAllUnformatted();
        ResumeFormatThread();
        break;
    }
}

} // namespace korvel
