#include "KorvelTestSupport.h"

#include "KVSupport/TKeywordList.h"
#include "KVSupport/TKorvelNavigator.h"

#include "KVSupport/TFormatScheduler.h"
#include "platform/TClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

// Every tenth paragraph wraps over three lines at the window's width.
std::string MixedParagraphs(int32_t Count) {
    return MakeParagraphs(Count, [](int32_t I) { return I % 10 == 0 ? 25 : 3; });
}

// A clock whose time is a function the test gives, counting its readings.
class TWorkClock : public TClock {
public:
    std::function<uint32_t()> Now;
    mutable int64_t Reads = 0;
    uint32_t GetTickCount() const override {
        ++Reads;
        return Now ? Now() : 0;
    }
};

class TWorkClockHost : public THeadlessHost {
public:
    using THeadlessHost::THeadlessHost;
    TWorkClock Work;
    const TClock& GetClock() const override { return Work; }
};

} // namespace

// A step reads the clock often enough to keep its slice, but not before
// every paragraph. The clock tells the time the formatting so far would
// have taken at a fixed number of bytes a millisecond: a step must not end
// before its 25 ms are over, and must pass them by at most one batch (64
// paragraphs, or 16 KB of text and the paragraph that passed it), both for
// many short paragraphs and for long ones.
TEST(FormatSchedulerTest, AStepReadsTheClockOftenEnoughToKeepItsSlice) {
    struct TCase {
        int32_t Count;
        int32_t Words;
        int64_t BytesPerMs;
    };
    for (const TCase& C : {TCase{30000, 3, 1700}, TCase{4000, 500, 100000}}) {
        TWorkClockHost Host({400, 300});
        TKorvel Control;
        LoadText(Control, MakeParagraphs(C.Count, [&C](int32_t) { return C.Words; }));
        Control.SetUpdateMode(umBackground);
        std::vector<int64_t> Before(static_cast<size_t>(C.Count) + 1, 0);
        for (int32_t I = 0; I < C.Count; ++I)
            Before[static_cast<size_t>(I) + 1] =
                Before[static_cast<size_t>(I)] + ListOf(Control)[I].ParLength();
        auto TimeAt = [&](int32_t Frontier) {
            return static_cast<uint32_t>(1000 +
                                         Before[static_cast<size_t>(Frontier)] / C.BytesPerMs);
        };
        Host.Work.Now = [&] { return TimeAt(std::min(Frontier(Control), C.Count)); };
        Host.Attach(Control);

        for (int Step = 0; Step < 3; ++Step) {
            ASSERT_EQ(Host.PendingMessages(), 1);
            const int32_t Start = Frontier(Control);
            const uint32_t Deadline = TimeAt(Start) + TFormatScheduler::TimeSlice;
            int32_t Due = Start;
            while (Due < C.Count && TimeAt(Due) < Deadline)
                ++Due;
            const int64_t Reads = Host.Work.Reads;
            Host.PumpMessages(1);
            const int32_t End = Frontier(Control);
            EXPECT_GE(End, Due) << "words " << C.Words << " step " << Step;
            EXPECT_LE(End - Due, TFormatScheduler::BatchParagraphs);
            const int64_t ParLength = Before[1] - Before[0];
            EXPECT_LE(Before[static_cast<size_t>(End)] - Before[static_cast<size_t>(Due)],
                      TFormatScheduler::BatchBytes + ParLength)
                << "words " << C.Words << " step " << Step;
            if (C.Words == 3) {
                EXPECT_LT(Host.Work.Reads - Reads, (End - Start) / 8);
            }
        }
        EXPECT_EQ(ListOf(Control).FindInconsistency(), "");
    }
}

// The background run from window creation to idle: steps of at most one time
// slice, first lines consistent after every step, and the end state.
TEST(FormatSchedulerTest, BackgroundStepsFormatEverythingInSlicesAndEndIdle) {
    const int32_t Count = 400;
    TWindowed W(MixedParagraphs(Count));
    std::vector<int32_t> ProgressAt;
    W->OnProgress = [&](TObject* Sender) {
        EXPECT_EQ(Sender, W.Control.get());
        ProgressAt.push_back(Frontier(*W));
    };
    ASSERT_EQ(W->GetFormatThreadState(), tsRunning);
    ASSERT_EQ(W.Host.PendingMessages(), 1);
    EXPECT_EQ(CountWith(*W, pfFormatted), 0);

    int32_t Steps = 0;
    int32_t Before = Frontier(*W);
    while (W.Host.PendingMessages() > 0) {
        W.Host.PumpMessages();
        ++Steps;
        ASSERT_LT(Steps, 1000);
        const int32_t Now = Frontier(*W);
        // The headless clock moves 1 ms a reading, so a 25 ms slice formats
        // fewer than 25 paragraphs; only the last step may jump to the end.
        if (Now < Count) {
            EXPECT_GT(Now, Before);
            EXPECT_LT(Now - Before, 25);
        }
        EXPECT_EQ(ListOf(*W).FindInconsistency(), "") << "after step " << Steps;
        EXPECT_EQ(CountWith(*W, pfFormatted), std::min(Now, Count));
        Before = Now;
    }
    EXPECT_GT(Steps, Count / 25);
    EXPECT_EQ(CountWith(*W, pfFormatted | pfKeywords), Count);
    EXPECT_EQ(FormatLast(*W), -1);
    EXPECT_EQ(Frontier(*W), Count);
    EXPECT_EQ(W->GetFormatThreadState(), tsSuspended);
    EXPECT_EQ(W->GetLineCount(), Count + 2 * (Count / 10));
    // Reports at most every ProgressInterval ms, and one at the very end.
    ASSERT_FALSE(ProgressAt.empty());
    EXPECT_EQ(ProgressAt.back(), Count);
    EXPECT_LE(static_cast<int32_t>(ProgressAt.size()), Steps * 30 / 300 + 2);
}

TEST(FormatSchedulerTest, StepInsideTheUpdateBracketFormatsNothingAndAsksAgain) {
    TWindowed W(ShortParagraphs(100));
    W->BeginUpdate();
    W.Host.PumpMessages();
    W.Host.PumpMessages();
    EXPECT_EQ(Frontier(*W), 0);
    EXPECT_EQ(CountWith(*W, pfFormatted), 0);
    EXPECT_EQ(W->GetFormatThreadState(), tsRunning);
    EXPECT_EQ(W.Host.PendingMessages(), 1);
    W->EndUpdate();
    W.PumpUntilIdle();
    EXPECT_EQ(CountWith(*W, pfFormatted), 100);
    EXPECT_EQ(W->GetFormatThreadState(), tsSuspended);
}

TEST(FormatSchedulerTest, UpdateModeSetterByWindowAndMode) {
    // Without a window the setter only stores: nothing is formatted and no
    // thread appears.
    {
        TKorvel Control;
        LoadText(Control, ShortParagraphs(50));
        int32_t Reports = 0;
        Control.OnProgress = [&](TObject*) { ++Reports; };
        Reports = 0;
        Control.SetUpdateMode(umImmediate);
        Control.SetUpdateMode(umBackground);
        EXPECT_EQ(Control.GetUpdateMode(), umBackground);
        EXPECT_EQ(Control.GetFormatThreadState(), tsNone);
        EXPECT_EQ(CountWith(Control, pfFormatted), 0);
        EXPECT_EQ(Frontier(Control), 0);
        EXPECT_EQ(FormatLast(Control), 49);
        EXPECT_EQ(Reports, 0);
    }
    // With a window, umImmediate formats everything pending before it
    // returns, reporting progress on the way and once at the end; the
    // thread is gone.
    {
        const int32_t Count = 1000;
        TWindowed W(MixedParagraphs(Count), umOnNeed);
        EXPECT_EQ(W->GetFormatThreadState(), tsNone);
        std::vector<int32_t> ProgressAt;
        W->OnProgress = [&](TObject*) { ProgressAt.push_back(Frontier(*W)); };
        W->SetUpdateMode(umImmediate);
        EXPECT_EQ(CountWith(*W, pfFormatted), Count);
        EXPECT_EQ(ListOf(*W).FindInconsistency(), "");
        EXPECT_EQ(W->GetFormatThreadState(), tsNone);
        EXPECT_GE(ProgressAt.size(), 3u); // every 300 readings of the 1 ms clock
        ASSERT_FALSE(ProgressAt.empty());
        EXPECT_EQ(ProgressAt.back(), Count);
        // umBackground starts a thread, suspended as nothing is pending.
        W->SetUpdateMode(umBackground);
        EXPECT_EQ(W->GetFormatThreadState(), tsSuspended);
        EXPECT_EQ(W.Host.PendingMessages(), 0);
        // Marked again, it runs; umOnNeed stops it silently.
        W->RelayoutAll();
        EXPECT_EQ(W->GetFormatThreadState(), tsRunning);
        W->SetUpdateMode(umOnNeed);
        EXPECT_EQ(W->GetFormatThreadState(), tsNone);
        W.PumpUntilIdle(); // the step already posted formats one slice, no more
        EXPECT_EQ(W.Host.PendingMessages(), 0);
        EXPECT_TRUE(W.Host.DebugStrings().empty());
    }
}

// The view's demand and the background run never format a paragraph twice:
// a range formatted out of sequence keeps its lines when the frontier
// reaches it, and the frontier stays where it was.
TEST(FormatSchedulerTest, OutOfSequenceRangeLeavesTheFrontierAndIsNotFormattedAgain) {
    TWindowed W(MixedParagraphs(200), umOnNeed);
    W->GetSelStartNav().SetParagraph(55);
    ASSERT_TRUE(W->GetCaretNav().HasParCache());

    W->FormatParagraphs(50, 59, false, false);
    EXPECT_EQ(Frontier(*W), 0);
    EXPECT_EQ(CountWith(*W, pfFormatted), 10);
    EXPECT_TRUE(HasFlags(*W, 50, pfFormatted | pfKeywords | pfScanned));
    EXPECT_EQ(ListOf(*W)[50].LineCountOf(), 3);
    EXPECT_EQ(ListOf(*W).FindInconsistency(), "");
    // The caret's paragraph got new lines: the caret is placed again on them.
    EXPECT_EQ(W->GetCaretNav().GetGlobalLine(), ListOf(*W).GetFirstLine(55));
    EXPECT_EQ(W->GetCaretY(), ListOf(*W).GetFirstLine(55) * W->GetLineHeightPx());

    // A mark that formatting would overwrite.
    TParagraph& Marked = ListOf(*W)[55];
    const int32_t Length = Marked.ParLength();
    Marked.SetLine0({0, Length, 1234, 1234, 0, Length, 0, 0});
    W->FormatParagraphs(0, 99, false, false);
    EXPECT_EQ(Frontier(*W), 100);
    EXPECT_EQ(ListOf(*W)[55].GetLine0().Width, 1234);
    EXPECT_EQ(CountWith(*W, pfFormatted), 100);
    EXPECT_EQ(ListOf(*W).FindInconsistency(), "");
    // Before the frontier nothing is formatted again unless forced.
    W->FormatParagraphs(55, 55, false, false);
    EXPECT_EQ(ListOf(*W)[55].GetLine0().Width, 1234);
    W->FormatParagraphs(55, 55, false, true);
    EXPECT_NE(ListOf(*W)[55].GetLine0().Width, 1234);
    EXPECT_EQ(Frontier(*W), 100);
}

// Formatting paragraphs above the top of the view changes their line
// counts: the top stays on the same text.
TEST(FormatSchedulerTest, LinesGainedAboveTheTopKeepTheTopOnTheSameText) {
    TWindowed W(MakeParagraphs(100, [](int32_t) { return 25; }), umOnNeed);
    const int32_t Height = W->GetLineHeightPx();
    W->GetTopLineNavigator().SetParagraph(50);
    W->GetView().TopPixel = 50 * Height + 3;
    W->FormatParagraphs(0, 49, false, false);
    EXPECT_EQ(ListOf(*W).GetFirstLine(50), 150);
    EXPECT_EQ(W->GetTopPixel(), 150 * Height + 3);
    EXPECT_EQ(W->GetTopLineNavigator().GetParIndex(), 50);
}

// ResetHighlighting throws every state away and, with umOnNeed, only the
// paragraphs the view asks for are scanned again.
TEST(FormatSchedulerTest, ResetHighlightingOnNeedRescansOnlyShownParagraphs) {
    TWindowed W;
    TKorvel* Control = W.Control.get();
    Control->GetKeywords().AddKeyword("bcde", clRed, clNone, 0, 1, 1, 0);
    LoadText(*Control, ShortParagraphs(60));
    Control->SetUpdateMode(umOnNeed);
    W.Host.Attach(*Control);
    Control->FormatParagraphs(0, 59, false, false);
    ASSERT_EQ(CountWith(*Control, pfFormatted | pfKeywords | pfScanned), 60);
    ASSERT_GT(ListOf(*Control)[30].RunCount(), 0);

    W.Host.ClearInvalidated();
    Control->ResetHighlighting();
    EXPECT_EQ(CountWith(*Control, pfFormatted), 0);
    EXPECT_EQ(CountWith(*Control, pfScanned), 0);
    EXPECT_EQ(CountWith(*Control, pfKeywords), 0);
    EXPECT_EQ(ListOf(*Control)[30].RunCount(), 0);
    EXPECT_EQ(ListOf(*Control).GetFormatCounters().GetContextValidTo(), -1);
    EXPECT_FALSE(W.Host.Invalidated().empty());

    Control->FormatParagraphs(0, 9, false, false);
    EXPECT_EQ(CountWith(*Control, pfFormatted | pfKeywords | pfScanned), 10);
    EXPECT_GT(ListOf(*Control)[5].RunCount(), 0);
    EXPECT_EQ(ListOf(*Control)[30].RunCount(), 0);
    EXPECT_FALSE(HasFlags(*Control, 30, pfScanned));
}

// The thread's life follows the window and the mode; only a thread that
// ends by itself reports "FormTerm".
TEST(FormatSchedulerTest, ThreadLifeFollowsTheWindowAndOnlyItsOwnEndIsLogged) {
    TWindowed W(ShortParagraphs(100));
    ASSERT_NE(W->GetFormatThread(), nullptr);
    W.Host.DestroyHandle();
    EXPECT_EQ(W->GetFormatThreadState(), tsNone);
    EXPECT_FALSE(W->IsViewLive());
    EXPECT_EQ(W->GetCanvas(), nullptr);
    W.Host.CreateHandle();
    EXPECT_TRUE(W->IsViewLive());
    EXPECT_EQ(W->GetFormatThreadState(), tsRunning);
    W.PumpUntilIdle();
    EXPECT_EQ(W->GetFormatThreadState(), tsSuspended);
    EXPECT_TRUE(W.Host.DebugStrings().empty());

    // Asked to end, a suspended thread waits to be resumed; then it ends at
    // its next step instead of formatting.
    W->GetFormatThread()->Terminate();
    EXPECT_EQ(W.Host.PendingMessages(), 0);
    W->RelayoutAll();
    W.Host.PumpMessages();
    EXPECT_EQ(W->GetFormatThreadState(), tsNone);
    EXPECT_EQ(CountWith(*W, pfFormatted), 0);
    ASSERT_EQ(W.Host.DebugStrings().size(), 1u);
    EXPECT_EQ(W.Host.DebugStrings()[0], "FormTerm");

    // In the designer no thread is made.
    W->SetDesigning(true);
    W.Host.RecreateWindow();
    EXPECT_EQ(W->GetFormatThreadState(), tsNone);
    EXPECT_EQ(CountWith(*W, pfFormatted), 100); // the designer formats at once
}

// A progress handler that frees the control inside the formatting message:
// nothing of it is touched afterwards and its guard entry is gone.
TEST(FormatSchedulerTest, ControlDestroyedByItsProgressHandlerDuringAStep) {
    TWindowed W(ShortParagraphs(2000));
    const int32_t Alive = TKorvel::GetInstanceCount();
    W->SetProgressInterval(0);
    W->OnProgress = [&](TObject*) { W.Control.reset(); };
    W.Host.PumpMessages();
    EXPECT_EQ(W.Control, nullptr);
    EXPECT_EQ(TKorvel::GetInstanceCount(), Alive - 1);
    EXPECT_EQ(TKorvel::GetDestroyedInHandlerCount(), 0);
    EXPECT_EQ(W.Host.PendingMessages(), 0);
    EXPECT_EQ(W.Host.PumpMessages(), 0);
}
