// Makes the Nth allocation throw std::bad_alloc while one representative
// operation runs, for every N until the operation completes untouched. After
// each failure the operation must have raised, the control must pass its
// integrity check and the store its consistency check, and the text must be
// the one from before or the one from after the operation, never a mix. The
// sanitizer's leak check covers what a failure leaves behind.

#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelStrings.h"
#include "framework/TMemoryStream.h"
#include "platform/headless/THeadlessClipboard.h"
#include "platform/headless/THeadlessHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

// Allocations left before the failing one; negative when disarmed.
std::atomic<long> Countdown{-1};
std::atomic<bool> Failed{false};

void* Allocate(std::size_t Size) {
    if (Countdown.load() >= 0 && Countdown.fetch_sub(1) == 0) {
        Failed = true;
        throw std::bad_alloc();
    }
    if (void* Block = std::malloc(Size == 0 ? 1 : Size))
        return Block;
    throw std::bad_alloc();
}

// Arms the failure at allocation N (0 based) for its lifetime.
struct TArmed {
    explicit TArmed(long N) {
        Failed = false;
        Countdown = N;
    }
    ~TArmed() { Countdown = -1; }
    // True when the armed allocation was reached.
    static bool Fired() { return Failed.load(); }
};

} // namespace

void* operator new(std::size_t Size) {
    return Allocate(Size);
}
void* operator new[](std::size_t Size) {
    return Allocate(Size);
}
void operator delete(void* Block) noexcept {
    std::free(Block);
}
void operator delete[](void* Block) noexcept {
    std::free(Block);
}
void operator delete(void* Block, std::size_t) noexcept {
    std::free(Block);
}
void operator delete[](void* Block, std::size_t) noexcept {
    std::free(Block);
}

using namespace korvel;

namespace {

const char* const StartText = "first line\r\nsecond one here\r\n\r\nfourth, a longer paragraph "
                              "of several words\r\nlast";

struct TCase {
    const char* Name;
    // Brings a fresh control into the state before the operation.
    std::function<void(TKorvel&, THeadlessClipboard&)> Setup;
    std::function<void(TKorvel&)> Operation;
};

// A fresh control in a window, set up by Case.
struct TFixture {
    THeadlessClipboard Board;
    THeadlessHost Host{{400, 300}, &Board};
    TKorvel Control;
    explicit TFixture(const TCase& Case) {
        Control.SetUpdateMode(umOnNeed);
        Control.SetWordWrap(true);
        Control.SetAllText(StartText);
        Host.Attach(Control);
        Control.ClearUndo();
        Case.Setup(Control, Board);
    }
};

void Nothing(TKorvel&, THeadlessClipboard&) {}

std::vector<TCase> Cases() {
    return {
        {"typing", Nothing,
         [](TKorvel& C) {
             C.SetSelStart(14);
             C.SetSelText("x");
         }},
        {"multi-paragraph replace", Nothing,
         [](TKorvel& C) {
             C.SetSelStart(5);
             C.SetSelLength(40);
             C.SetSelText("new\r\ntext\r\nhere");
         }},
        {"block paste",
         [](TKorvel& C, THeadlessClipboard&) {
             C.SetWordWrap(false);
             C.SelectBlock(1, 0, 3, 4);
             C.CopyToClipboard();
             C.SetSelStart(3);
             C.SetOptions(C.GetOptions() | OptionBit(kvoBlockSelection));
         },
         [](TKorvel& C) { C.PasteFromClipboard(); }},
        {"block paste appending paragraphs",
         [](TKorvel& C, THeadlessClipboard&) {
             C.SetWordWrap(false);
             C.SelectBlock(1, 0, 3, 4);
             C.CopyToClipboard();
             C.SetSelStart(C.GetTextLength() - 2);
             C.SetOptions(C.GetOptions() | OptionBit(kvoBlockSelection));
         },
         [](TKorvel& C) { C.PasteFromClipboard(); }},
        {"undo",
         [](TKorvel& C, THeadlessClipboard&) {
             C.SetSelStart(5);
             C.SetSelLength(30);
             C.SetSelText("a\r\nb");
         },
         [](TKorvel& C) { C.Undo(); }},
        {"redo",
         [](TKorvel& C, THeadlessClipboard&) {
             C.SetSelStart(5);
             C.SetSelLength(30);
             C.SetSelText("a\r\nb");
             C.Undo();
         },
         [](TKorvel& C) { C.Redo(); }},
        {"load", Nothing,
         [](TKorvel& C) {
             TMemoryStream Stream{std::string_view("loaded\r\ntext\nof three lines")};
             C.LoadFromStream(Stream);
         }},
        {"Lines.Add", Nothing, [](TKorvel& C) { C.GetLines().Add("an added line"); }},
        {"Lines.Add in an update bracket", Nothing,
         [](TKorvel& C) {
             C.BeginUpdate();
             try {
                 C.GetLines().Add("an added line");
             } catch (...) {
                 C.EndUpdate();
                 throw;
             }
             C.EndUpdate();
         }},
        {"appending paragraphs", Nothing,
         [](TKorvel& C) {
             C.SetSelStart(C.GetTextLength());
             C.SetSelText("\r\nappended\r\nparagraphs\r\n");
         }},
        {"inserting many paragraphs", Nothing,
         [](TKorvel& C) {
             std::string Many;
             for (int I = 0; I < 80; ++I)
                 Many += "line " + std::to_string(I) + "\r\n";
             C.SetSelStart(5);
             C.SetSelText(Many);
         }},
        {"formatting a range", Nothing,
         [](TKorvel& C) { C.FormatParagraphs(0, C.GetParagraphCount() - 1, false, true); }},
    };
}

TEST(AllocationFailureTest, FailedOperationsLeaveTheControlWholeAndTheTextUnmixed) {
    for (const TCase& Case : Cases()) {
        SCOPED_TRACE(Case.Name);
        std::string After;
        {
            TFixture Clean(Case);
            Case.Operation(Clean.Control);
            After = Clean.Control.GetAllText();
        }
        for (long N = 0;; ++N) {
            SCOPED_TRACE("failing allocation " + std::to_string(N));
            TFixture Run(Case);
            const std::string Before = Run.Control.GetAllText();
            bool Raised = false;
            bool Fired = false;
            {
                TArmed Armed(N);
                try {
                    Case.Operation(Run.Control);
                } catch (const std::bad_alloc&) {
                    Raised = true;
                }
                Fired = TArmed::Fired();
            }
            if (!Fired) {
                // The operation needs fewer allocations: the sweep is done.
                std::printf("%s: %ld allocations swept\n", Case.Name, N);
                EXPECT_GT(N, 0) << "the operation allocated nothing";
                break;
            }
            std::string Problem;
            if (!Raised)
                Problem += "the failure was swallowed; ";
            try {
                Run.Control.CheckIntegrity();
            } catch (const std::exception& Error) {
                Problem += std::string("integrity: ") + Error.what() + "; ";
            }
            const std::string Store = Run.Control.GetParagraphsList().FindInconsistency(false);
            if (!Store.empty())
                Problem += "store: " + Store + "; ";
            const std::string Text = Run.Control.GetAllText();
            if (Text != Before && Text != After)
                Problem += "mixed text [" + Text + "]";
            if (!Problem.empty()) {
                ADD_FAILURE() << Problem;
                break; // one report per operation
            }
        }
    }
}

} // namespace
