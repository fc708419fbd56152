// Copy, cut and paste of stream text and column blocks, the default context
// menu, and the integrity check.

#include "EditTestSupport.h"

#include "../KVSupport/ParagraphsListSupport.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TLinesList.h"
#include "Korvel/TUndoList.h"
#include "framework/Exceptions.h"
#include "framework/TPopupMenu.h"
#include "platform/headless/THeadlessClipboard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

struct TClipboardFixture : ::testing::Test {
    THeadlessClipboard Board;
    THeadlessHost Host{{400, 300}, &Board};
    TKorvel Control;

    TClipboardFixture() {
        Control.SetWordWrap(false);
        Host.Attach(Control);
    }

    void Option(TKorvelOption Which, bool On) {
        const TKorvelOptions Bit = OptionBit(Which);
        Control.SetOptions(On ? Control.GetOptions() | Bit : Control.GetOptions() & ~Bit);
    }
    void Put(const std::string& Text, const std::string* Marker = nullptr) {
        TClipboardData Data{{CF_TEXT, Text}};
        if (Marker != nullptr)
            Data[TKorvel::RegisterBlockFormat()] = *Marker;
        Board.SetContents(Data);
    }
    std::string ClipText() {
        const auto It = Board.GetContents().find(CF_TEXT);
        return It == Board.GetContents().end() ? "<none>" : It->second;
    }
    bool HasMarker() { return Board.GetContents().count(TKorvel::RegisterBlockFormat()) != 0; }
};

} // namespace

TEST_F(TClipboardFixture, CopyAndCutOfStreamText) {
    Control.SetAllText("a\x02"
                       "bold\x02 b\r\nnext");
    // Nothing selected: the clipboard keeps what it held.
    Put("kept");
    Control.CopyToClipboard();
    Control.CutToClipboard();
    EXPECT_EQ(ClipText(), "kept");
    EXPECT_EQ(Board.GetCommitCount(), 0);

    Control.SelectAll();
    Control.CopyToClipboard();
    EXPECT_EQ(ClipText(), "a\x02"
                          "bold\x02 b\r\nnext");
    EXPECT_FALSE(HasMarker());
    EXPECT_EQ(Board.GetCommitCount(), 1) << "text and marker go as one piece";
    Option(kvoPlainClipboard, true);
    Control.CopyToClipboard();
    EXPECT_EQ(ClipText(), "abold b\r\nnext");

    // Cut is one replacement: one undo brings the text back.
    Control.SetSelStart(0);
    Control.SetSelLength(9);
    Control.CutToClipboard();
    EXPECT_EQ(ClipText(), "abold b");
    EXPECT_EQ(Control.GetAllText(), "\r\nnext");
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "a\x02"
                                    "bold\x02 b\r\nnext");

    // A clipboard that cannot be opened: a clear error, and a cut deletes
    // nothing.
    Board.SetOpenFails(true);
    Control.SelectAll();
    EXPECT_THROW(Control.CutToClipboard(), Exception);
    EXPECT_EQ(Control.GetAllText(), "a\x02"
                                    "bold\x02 b\r\nnext");
    Board.SetOpenFails(false);

    // Without a window and without a clipboard of its own: "No clipboard".
    TKorvel Lone;
    Lone.SetAllText("x");
    Lone.SelectAll();
    EXPECT_THROW(Lone.CopyToClipboard(), Exception);
    Lone.SetClipboard(&Board);
    Lone.CopyToClipboard();
    EXPECT_EQ(ClipText(), "x");
}

TEST_F(TClipboardFixture, ColumnBlockCopyCarriesTheMarkerAndKeepsCodes) {
    EXPECT_EQ(TKorvel::RegisterBlockFormat(), TKorvel::RegisterBlockFormat());
    EXPECT_EQ(TClipboard::GetFormatName(TKorvel::RegisterBlockFormat()), "Borland IDE Block Type");
    Option(kvoPlainClipboard, true);
    Control.SetAllText("abcdef\r\nxy\r\nlmnopq");
    Control.SelectBlock(2, 0, 1, 4);
    ASSERT_TRUE(Control.GetBlockActive());
    Control.CopyToClipboard();
    EXPECT_EQ(ClipText(), "cd\r\n\r\n");
    EXPECT_EQ(Board.GetContents().at(TKorvel::RegisterBlockFormat()), "\x02");

    Control.SetStaticFormat(true);
    Control.SetAllText("ab\x02"
                       "cd\x02"
                       "ef");
    Control.SelectBlock(1, 0, 0, 4);
    Control.CopyToClipboard();
    EXPECT_EQ(ClipText().find('\x02') != std::string::npos, true) << "a block keeps its codes";
}

TEST_F(TClipboardFixture, PasteOfStreamTextAndOfColumnBlocks) {
    const std::string Two = "\x02";
    Control.SetAllText("12345\r\nab");
    Control.SetSelStart(3);
    Put("cd\r\nef\r\ngh\r\n", &Two);

    // Without the block option the block is ordinary text.
    Control.PasteFromClipboard();
    EXPECT_EQ(Control.GetAllText(), "123cd\r\nef\r\ngh\r\n45\r\nab");
    EXPECT_EQ(Control.GetSelStart(), 15);
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "12345\r\nab");

    // With it: one line per paragraph at the caret's column, short
    // paragraphs padded, a missing one appended; the caret after the last
    // line; one undo step for the whole block.
    Option(kvoBlockSelection, true);
    Control.SetSelStart(3);
    const int32_t Before = Control.GetUndoList()->GetUndoIndex();
    Control.PasteFromClipboard();
    EXPECT_EQ(Control.GetAllText(), "123cd45\r\nab ef\r\n   gh");
    EXPECT_EQ(Control.GetSelStart(), 21);
    EXPECT_NO_THROW(Control.CheckIntegrity());
    EXPECT_EQ(Control.GetUndoList()->GetUndoIndex(), Before + 1);
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "12345\r\nab");
    Control.Redo();
    EXPECT_EQ(Control.GetAllText(), "123cd45\r\nab ef\r\n   gh");
    Control.Undo();

    // A column paste drops the selection instead of replacing it, and starts
    // at the selection's first paragraph.
    Control.SetSelStart(2);
    Control.SetSelLength(5);
    Put("Z", &Two);
    Control.PasteFromClipboard();
    EXPECT_EQ(Control.GetAllText(), "12Z345\r\nab");

    // Markers: a first byte other than 2 is ordinary text; an empty marker
    // and a longer one starting with 2 are blocks.
    const std::string Three = "\x03", Empty, Long = "\x02\x07";
    for (const auto& [Marker, Expected] : {std::pair{&Three, std::string("XY\r\nZ12Z345\r\nab")},
                                           std::pair{&Empty, std::string("XY12Z345\r\nZab")},
                                           std::pair{&Long, std::string("XY12Z345\r\nZab")}}) {
        Control.SetAllText("12Z345\r\nab");
        Control.SetSelStart(0);
        Put("XY\r\nZ", Marker);
        Control.PasteFromClipboard();
        EXPECT_EQ(Control.GetAllText(), Expected) << "marker of " << Marker->size() << " bytes";
    }

    // A 0 byte ends the text; an empty clipboard pastes nothing.
    Option(kvoBlockSelection, false);
    Control.SetAllText("");
    Board.SetContents({{CF_TEXT, Raw("ab\0cd")}});
    Control.PasteFromClipboard();
    EXPECT_EQ(Control.GetAllText(), "ab");
    Board.SetContents({});
    const int32_t Steps = Control.GetUndoList()->GetCount();
    Control.PasteFromClipboard();
    EXPECT_EQ(Control.GetAllText(), "ab");
    EXPECT_EQ(Control.GetUndoList()->GetCount(), Steps);
}

// The block goes in as one replacement; what stood between its lines stays
// where separate insertions would have left it: a navigator follows its
// character, one at a line's place stays before the line.
TEST_F(TClipboardFixture, AColumnPasteMovesNavigatorsBetweenItsLinesWithTheirText) {
    Control.SetAllText("abcdef\r\nghijkl\r\nmn");
    Option(kvoBlockSelection, true);
    const std::string Two = "\x02";
    Put("XY\r\nZW\r\nUV\r\nQ\r\n", &Two);
    const struct {
        int32_t Before, After;
    } Places[] = {{1, 1}, {2, 2}, {4, 6}, {8, 10}, {10, 12}, {12, 16}, {17, 21}, {18, 22}};
    std::vector<std::unique_ptr<TKorvelNavigator>> Navigators;
    for (const auto& Place : Places) {
        Navigators.push_back(std::make_unique<TKorvelNavigator>(Control));
        Navigators.back()->SetPos(Place.Before);
    }
    Control.SetSelStart(2);
    Control.PasteFromClipboard();
    EXPECT_EQ(Control.GetAllText(), "abXYcdef\r\nghZWijkl\r\nmnUV\r\n  Q");
    EXPECT_EQ(Control.GetSelStart(), 29);
    for (size_t I = 0; I < std::size(Places); ++I)
        EXPECT_EQ(Navigators[I]->GetPos(), Places[I].After) << "navigator at " << Places[I].Before;
    EXPECT_EQ(ListOf(Control).FindInconsistency(false), "");
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "abcdef\r\nghijkl\r\nmn");
}

// With kvoDiscardTrailingSpaces a line that ends its paragraph loses its
// trailing blanks (padding included); a line with text after it keeps them.
TEST_F(TClipboardFixture, AColumnPasteDiscardsTrailingBlanksOnlyOfLinesAtParagraphEnds) {
    Option(kvoDiscardTrailingSpaces, true);
    Control.SetAllText("ab\r\nx\r\nz");
    Option(kvoBlockSelection, true);
    const std::string Two = "\x02";
    Put("1 \r\n2 \r\n  \r\n3  \r\n", &Two);
    Control.SetSelStart(1);
    Control.PasteFromClipboard();
    EXPECT_EQ(Control.GetAllText(), "a1 b\r\nx2\r\nz\r\n 3");
    EXPECT_EQ(Control.GetSelStart(), Control.GetTextLength());
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "ab\r\nx\r\nz");
}

TEST_F(TClipboardFixture, PastingStartsANewStepAndKeepsBlocksWhenAsked) {
    Control.SetAllText("");
    Put("pasted");
    Control.SetSelText("x");
    Control.PasteFromClipboard();
    Control.SetSelText("y");
    EXPECT_EQ(Control.GetAllText(), "xpastedy");
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "xpasted") << "typing after a paste is a step of its own";
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "x") << "the paste is a step of its own";

    // kvoNoOverwriteBlocks: the paste goes in at the caret, the selection
    // survives only with kvoPersistentBlocks.
    Control.SetAllText("0123456789");
    Option(kvoNoOverwriteBlocks, true);
    Put("ab");
    Control.SetSelStart(6);
    Control.SetSelLength(-4); // 2 .. 6, caret at 6
    Control.PasteFromClipboard();
    EXPECT_EQ(Control.GetAllText(), "012345ab6789");
    EXPECT_EQ(Control.GetSelLength(), 0);
    Option(kvoPersistentBlocks, true);
    Control.SetSelStart(8);
    Control.SetSelLength(-6); // 2 .. 8, caret at 8
    Control.PasteFromClipboard();
    EXPECT_EQ(Control.GetAllText(), "012345abab6789");
    EXPECT_EQ(Control.GetSelStart(), 10) << "the caret after the inserted text";
    EXPECT_EQ(Control.GetSelStartNav().GetPos(), 2) << "the block is selected again";
    EXPECT_EQ(Control.GetSelEndNav().GetPos(), 8);
    EXPECT_NO_THROW(Control.CheckIntegrity());
}

TEST_F(TClipboardFixture, ClipboardMessagesReachTheOperations) {
    Control.SetAllText("hello");
    Control.SelectAll();
    auto Message = [](uint32_t Msg) {
        TMessage M;
        M.Msg = Msg;
        return M;
    };
    TMessage Copy = Message(WM_COPY);
    Control.Perform(Copy);
    EXPECT_EQ(ClipText(), "hello");
    TMessage Cut = Message(WM_CUT);
    Control.Perform(Cut);
    EXPECT_EQ(Control.GetAllText(), "");
    TMessage Paste = Message(WM_PASTE);
    Control.Perform(Paste);
    Control.Perform(Paste);
    EXPECT_EQ(Control.GetAllText(), "hellohello");
    TMessage UndoMessage = Message(WM_UNDO);
    Control.Perform(UndoMessage);
    EXPECT_EQ(Control.GetAllText(), "hello");
}

TEST_F(TClipboardFixture, DefaultMenuItemsAndTheirStates) {
    Control.SetAllText("some text");
    Control.SetSelStart(0);
    Control.SetSelLength(4);
    Control.SetReadOnly(true);
    Put("x");
    int32_t Choice = -1;
    Host.OnChoosePopupItem = [&](const THeadlessPopup&) { return Choice; };
    EXPECT_EQ(Control.GetDefaultPopup(), nullptr);
    ASSERT_TRUE(Control.ShowDefaultPopup({10, 5}));
    ASSERT_EQ(Host.Popups().size(), 1u);
    const THeadlessPopup& Shown = Host.Popups().back();
    EXPECT_EQ(Shown.Captions, (std::vector<std::string>{"&Undo", "&Redo", "-", "Cu&t", "&Copy",
                                                        "&Paste", "-", "&Select all"}));
    // Read-only: Copy and the undo of the program's own step, no Cut, no
    // Paste.
    EXPECT_EQ(Shown.Enabled,
              (std::vector<bool>{true, false, true, false, true, false, true, true}));
    EXPECT_EQ(Shown.ScreenPos.X, Host.ClientToScreen({10, 5}).X);
    EXPECT_EQ(Shown.ScreenPos.Y, Host.ClientToScreen({10, 5}).Y);

    Control.SetReadOnly(false);
    Choice = 3; // Cut
    Control.ShowDefaultPopup({0, 0});
    EXPECT_EQ(Host.Popups().back().Enabled[3], true);
    EXPECT_EQ(Control.GetAllText(), " text");
    Choice = 0; // Undo
    Control.ShowDefaultPopup({0, 0});
    EXPECT_EQ(Control.GetAllText(), "some text");
    Choice = 7; // Select all
    Control.ShowDefaultPopup({0, 0});
    EXPECT_EQ(Control.GetSelLength(), -9);
    Choice = 5; // Paste
    Board.SetContents({});
    Control.ShowDefaultPopup({0, 0});
    EXPECT_FALSE(Host.Popups().back().Enabled[5]) << "no text to paste";
    EXPECT_EQ(Control.GetAllText(), "some text");

    // An application menu, or kvoNoDefaultPopup, keeps the default menu away.
    const size_t Count = Host.Popups().size();
    TPopupMenu Own;
    Control.SetPopupMenu(&Own);
    EXPECT_FALSE(Control.ShowDefaultPopup({0, 0}));
    Control.SetPopupMenu(nullptr);
    Option(kvoNoDefaultPopup, true);
    EXPECT_FALSE(Control.ShowDefaultPopup({0, 0}));
    EXPECT_EQ(Host.Popups().size(), Count);
}

TEST_F(TClipboardFixture, IntegrityCheckFindsEachKindOfFault) {
    EXPECT_NO_THROW(Control.CheckIntegrity()) << "an empty text";
    Control.SetWordWrap(true);
    Control.SetUpdateMode(umImmediate);
    Control.SetAllText(MakeParagraphs(6, [](int32_t I) { return 3 + I * 8; }));
    ASSERT_GT(Control.GetLineCount(), 6);
    EXPECT_NO_THROW(Control.CheckIntegrity());

    auto MessageOf = [&] {
        try {
            Control.CheckIntegrity();
        } catch (const Exception& E) {
            return std::string(E.what());
        }
        return std::string("passed");
    };
    const std::string In = std::string(" in ") + TKorvel::VersionText;
    TParagraphsList& List = ListOf(Control);

    List.SetFirstLine(2, List.GetFirstLine(2) + 1);
    EXPECT_EQ(MessageOf(), "Error 1");
    List.SetFirstLine(2, List.GetFirstLine(2) - 1);

    List.SetStartOffset(3, List.GetStartOffset(3) + 1);
    EXPECT_EQ(MessageOf(), "Error 2" + In);
    List.SetStartOffset(3, List.GetStartOffset(3) - 1);

    TLinesList Lines(&List[5]);
    ASSERT_GT(Lines.Count(), 1);
    TLineRecord Line = Lines.Get(1);
    ++Line.Start;
    Lines.PutLine(1, Line);
    EXPECT_EQ(MessageOf(), "Error 3" + In);
    --Line.Start;
    Lines.PutLine(1, Line);

    TLineRecord Last = Lines.Get(Lines.Count() - 1);
    --Last.Stop;
    Lines.PutLine(Lines.Count() - 1, Last);
    EXPECT_EQ(MessageOf(), "Error 4" + In);
    ++Last.Stop;
    Lines.PutLine(Lines.Count() - 1, Last);

    ++TParagraphsListTestAccess::TextLength(List);
    EXPECT_EQ(MessageOf(), "Error 5" + In);
    --TParagraphsListTestAccess::TextLength(List);

    List.AdjustLineCount(1);
    EXPECT_EQ(MessageOf(), "Error 6" + In);
    List.AdjustLineCount(-1);
    EXPECT_EQ(MessageOf(), "passed");
}

// A large clipboard text pastes whole, and its undo and redo (with the
// undo budget raised to hold it) give back the texts exactly. 8 MB by default; QUOLT_BIG_PASTE_MB
// sets the size (300 MB takes about 1 GB of memory and a few seconds in a release build).
TEST_F(TClipboardFixture, LargeClipboardTextPastesWhole) {
    size_t Megabytes = 8;
    if (const char* Env = std::getenv("QUOLT_BIG_PASTE_MB"))
        Megabytes = static_cast<size_t>(std::strtoul(Env, nullptr, 10));
    std::string Text;
    Text.reserve(Megabytes << 20);
    int32_t Lines = 0;
    while (Text.size() + 80 < (Megabytes << 20)) {
        Text += "<tr><td class=\"c" + std::to_string(Lines % 97) + "\">cell</td></tr>\r\n";
        ++Lines;
    }
    Text += "last";
    Control.SetAllText("");
    Control.SetUndoMaxSpace(INT32_MAX); // room to redo the paste
    Put(Text);
    Control.PasteFromClipboard();
    ASSERT_EQ(ListOf(Control).GetCount(), Lines + 1);
    EXPECT_TRUE(Control.GetAllText() == Text);
    EXPECT_EQ(ListOf(Control).FindInconsistency(false), "");
    Control.CheckIntegrity();
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "");
    Control.Redo();
    EXPECT_TRUE(Control.GetAllText() == Text);
    EXPECT_EQ(ListOf(Control).FindInconsistency(false), "");
}
