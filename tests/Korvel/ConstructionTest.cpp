#include "KorvelTestSupport.h"

#include "KVSupport/TKorvelHighlighter.h"
#include "KVSupport/TKorvelNavigator.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

TEST(ConstructionTest, NewControlHasAnEmptyTextAndItsDefaults) {
    const int32_t Before = TKorvel::GetInstanceCount();
    TKorvel Control;
    EXPECT_EQ(TKorvel::GetInstanceCount(), Before + 1);
    EXPECT_EQ(Control.GetParagraphCount(), 1);
    EXPECT_EQ(Control.GetTextLength(), 0);
    EXPECT_EQ(Control.GetLineCount(), 1);
    EXPECT_EQ(&Control.GetCaretNav(), &Control.GetSelStartNav());
    EXPECT_EQ(Control.GetCaretNav().GetPos(), 0);
    EXPECT_EQ(Control.GetSelLength(), 0);
    EXPECT_EQ(Control.GetScrollBars(), ssVertical);
    EXPECT_TRUE(Control.GetWordWrap());
    // kvoWrapCaret, kvoInsertKeyActive, kvoWideOverwriteCaret, kvoAutoScrollBars.
    EXPECT_EQ(Control.GetOptions(), 0x5Cu);
    EXPECT_EQ(Control.GetUpdateMode(), umBackground);
    EXPECT_EQ(Control.GetFormatThreadState(), tsNone);
    EXPECT_EQ(Control.GetNavigators().size(), 9u);
    EXPECT_EQ(Control.GetSeparators(), "\t\n\r $%&,./:;<=>");
    EXPECT_EQ(Control.GetCursor(), crIBeam);
    EXPECT_EQ(Control.GetFont().GetName(), "Arial");
    EXPECT_FALSE(Control.GetParentFont());
    EXPECT_FALSE(Control.GetParentColor());
    EXPECT_TRUE(Control.GetTabStop());
    EXPECT_EQ(Control.GetWidth(), 100);
    EXPECT_EQ(Control.GetHeight(), 60);
    EXPECT_EQ(Control.GetEndOfTextMark().GetColor(), clRed);
    EXPECT_EQ(Control.GetRightLinePen().GetStyle(), psDot);
    EXPECT_EQ(Control.GetSelBackColor(), clHighlight);
}

namespace {

// A state to destroy a control in; Extra keeps what the state needs alive
// (it is destroyed after the control).
struct TDestroyCase {
    const char* Name;
    std::function<void(TWindowed&)> Setup;
};

} // namespace

// Destroying a control is clean in every state it can be in, whether its
// window goes first or the control does.
TEST(ConstructionTest, DestroyingInEveryStateIsClean) {
    TKorvelHighlighter Shared;
    TKorvel Sharer;
    Sharer.SetHighlighter(&Shared);
    std::unique_ptr<TKorvelNavigator> Foreign;
    const std::string Text = ShortParagraphs(300);
    const TDestroyCase Cases[] = {
        {"no window, formatting pending", [&](TWindowed& W) { LoadText(*W, Text); }},
        {"window, thread running with a step posted",
         [&](TWindowed& W) {
             LoadText(*W, Text);
             W.Host.Attach(*W);
         }},
        {"window, thread suspended",
         [&](TWindowed& W) {
             LoadText(*W, Text);
             W.Host.Attach(*W);
             W.PumpUntilIdle();
         }},
        {"window, thread asked to end",
         [&](TWindowed& W) {
             LoadText(*W, Text);
             W.Host.Attach(*W);
             W->GetFormatThread()->Terminate();
         }},
        {"window, immediate mode, half formatted",
         [&](TWindowed& W) {
             LoadText(*W, Text);
             W->SetUpdateMode(umOnNeed);
             W.Host.Attach(*W);
             W->FormatParagraphs(0, 150, false, false);
             W->SetUpdateMode(umImmediate);
         }},
        {"navigator created by others",
         [&](TWindowed& W) {
             LoadText(*W, Text);
             Foreign = std::make_unique<TKorvelNavigator>(W.Control.get());
             Foreign->SetPos(200);
             (void)Foreign->GetGlobalLine();
         }},
        {"highlighter shared",
         [&](TWindowed& W) {
             W->SetHighlighter(&Shared);
             LoadText(*W, Text);
             W.Host.Attach(*W);
         }},
    };
    const int32_t Alive = TKorvel::GetInstanceCount();
    for (const TDestroyCase& Case : Cases) {
        for (const bool HostFirst : {false, true}) {
            SCOPED_TRACE(std::string(Case.Name) + (HostFirst ? ", window first" : ""));
            {
                auto W = std::make_unique<TWindowed>();
                Case.Setup(*W);
                if (HostFirst) {
                    W->Host.Detach();
                    EXPECT_EQ((*W)->GetFormatThreadState(), tsNone);
                }
                W.reset();
            }
            EXPECT_EQ(TKorvel::GetInstanceCount(), Alive);
            EXPECT_EQ(TKorvel::GetDestroyedInHandlerCount(), 0);
            if (Foreign) {
                EXPECT_EQ(Foreign->GetControl(), nullptr);
                Foreign.reset();
            }
            ASSERT_EQ(Shared.GetClients().size(), 1u);
            EXPECT_EQ(Shared.GetClients()[0], &Sharer);
        }
    }
}

// A handler of one of the control's own messages destroys it, also two
// messages deep and with a new control made at once in its place: each
// handler returns without touching it, and the guard list empties.
TEST(ConstructionTest, ControlDestroyedInsideItsOwnMessageHandlers) {
    TWindowed W(ShortParagraphs(10));
    const int32_t Alive = TKorvel::GetInstanceCount();
    bool Replaced = false;
    W->OnEnter = [&](TObject*) {
        // The handler itself goes with the control: what it uses after that
        // must be on the stack.
        TWindowed& Window = W;
        bool& Done = Replaced;
        Window.Control.reset();
        Window.Control = std::make_unique<TKorvel>();
        Done = true;
    };
    W->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { W.Host.SetFocus(); };
    W.Host.Send(TMessage::KeyMessage(WM_KEYDOWN, VK_SPACE, 0));
    EXPECT_TRUE(Replaced);
    EXPECT_EQ(TKorvel::GetInstanceCount(), Alive);
    EXPECT_EQ(TKorvel::GetDestroyedInHandlerCount(), 0);
    // The new control is whole and handles its messages.
    TMessage Code = TMessage::Plain(WM_GETDLGCODE);
    EXPECT_EQ(W->Perform(Code), 0x87);
    W->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { W.Control.reset(); };
    TMessage Key = TMessage::KeyMessage(WM_KEYDOWN, VK_SPACE, 0);
    W->Perform(Key);
    EXPECT_EQ(W.Control, nullptr);
    EXPECT_EQ(TKorvel::GetDestroyedInHandlerCount(), 0);
}

TEST(ConstructionTest, WindowMessagesAndCreationParameters) {
    TWindowed W(ShortParagraphs(3));
    // Dialog codes: arrows, all keys and characters; tabs too when wanted.
    EXPECT_EQ(W.Host.Send(TMessage::Plain(WM_GETDLGCODE)), 0x87);
    W->SetWantTabs(false);
    EXPECT_EQ(W.Host.Send(TMessage::Plain(WM_GETDLGCODE)), 0x85);
    W->SetWantTabs(true);
    W->SetDisplayOnly(true);
    EXPECT_EQ(W.Host.Send(TMessage::Plain(WM_GETDLGCODE)), 0x85);
    EXPECT_EQ(W.Host.Send(TMessage::Plain(WM_ERASEBKGND)), 1);

    // A display-only control gets no caret with the focus.
    W.Host.SetFocus();
    EXPECT_FALSE(W.Host.Caret().Exists);
    W->SetDisplayOnly(false);
    EXPECT_TRUE(W.Host.Caret().Visible);
    EXPECT_EQ(W.Host.Caret().Height, W->GetLineHeightPx());
    W->SetDisplayOnly(true);
    EXPECT_FALSE(W.Host.Caret().Exists);
    W->SetDisplayOnly(false);
    W.Host.KillFocus();
    EXPECT_FALSE(W.Host.Caret().Exists);

    // A single border is a client edge with 3-D look, a plain border without.
    EXPECT_EQ(W.Host.GetCreateParams().Style, WS_VSCROLL);
    EXPECT_EQ(W.Host.GetCreateParams().ExStyle, WS_EX_CLIENTEDGE);
    const int32_t Recreations = W.Host.Recreations();
    W->SetCtl3D(false);
    EXPECT_EQ(W.Host.Recreations(), Recreations + 1);
    EXPECT_EQ(W.Host.GetCreateParams().Style, WS_VSCROLL | WS_BORDER);
    W->SetScrollBars(ssBoth);
    W->SetBorderStyle(bsNone);
    EXPECT_EQ(W.Host.Recreations(), Recreations + 3);
    EXPECT_EQ(W->GetScrollBars(), ssBoth);
    EXPECT_EQ(W.Host.GetCreateParams().Style, WS_VSCROLL | WS_HSCROLL);
    EXPECT_EQ(W.Host.GetCreateParams().ExStyle, 0u);
    W->SetScrollBars(ssBoth);
    EXPECT_EQ(W.Host.Recreations(), Recreations + 3);
}
