#include "EditTestSupport.h"

#include "framework/Exceptions.h"
#include "framework/TMemoryStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <string>
#include <vector>

using namespace korvel;
using namespace korvel::test;

namespace {

// Gives its bytes in pieces, then fails the next read.
class TFailingStream : public TStream {
public:
    explicit TFailingStream(std::string Bytes) : Bytes(std::move(Bytes)) {}
    int64_t Read(void* Buffer, int64_t Count) override {
        if (Position >= static_cast<int64_t>(Bytes.size()))
            throw EReadError("Stream read error");
        const int64_t N = std::min<int64_t>(Count, static_cast<int64_t>(Bytes.size()) - Position);
        std::memcpy(Buffer, Bytes.data() + Position, static_cast<size_t>(N));
        Position += N;
        return N;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
        if (Origin == TSeekOrigin::soBeginning)
            Position = Offset;
        else if (Origin == TSeekOrigin::soCurrent)
            Position += Offset;
        else
            Position = static_cast<int64_t>(Bytes.size()) + 1000 + Offset; // never ends
        return Position;
    }
    int64_t GetSize() override { return static_cast<int64_t>(Bytes.size()) + 1000; }
    void SetSize(int64_t) override {}

private:
    std::string Bytes;
    int64_t Position = 0;
};

std::string Saved(TKorvel& Control) {
    TMemoryStream Stream;
    Control.SaveToStream(Stream);
    return Stream.DataString();
}

} // namespace

TEST(TextAccessTest, WholeTextAndRangesReadBreaksAsCrLfAndClampTheirEnds) {
    TKorvel Control;
    EXPECT_EQ(Control.GetAllText(), "");
    LoadText(Control, "a\n");
    EXPECT_EQ(Control.GetAllText(), "a\r\n");
    LoadText(Control, "first\rsecond\n\nlast");
    const std::string All = "first\r\nsecond\r\n\r\nlast";
    EXPECT_EQ(Control.GetAllText(), All);
    EXPECT_EQ(static_cast<int32_t>(All.size()), Control.GetTextLength());
    EXPECT_EQ(Control.GetTextRange(-5, 3), Control.GetTextRange(0, 3));
    EXPECT_EQ(Control.GetTextRange(-5, 3), "fir");
    EXPECT_EQ(Control.GetTextRange(5, 5), "");
    EXPECT_EQ(Control.GetTextRange(7, 2), "");
    EXPECT_EQ(Control.GetTextRange(4, 1000), All.substr(4));
    // A range starting between the two characters of a break.
    EXPECT_EQ(Control.GetTextRange(6, 9), "\nse");
    EXPECT_EQ(Control.GetParText(1), "second");
    EXPECT_THROW(Control.GetParText(4), ERangeError);
    EXPECT_THROW(Control.GetParText(-1), ERangeError);
}

TEST(TextAccessTest, ClearAndTheUpdateBracket) {
    TKorvel Control;
    const auto Undo = SpyOnUndo(Control);
    int32_t Before = 0;
    Control.OnBeforeChange = [&](TObject*, const char*&) { ++Before; };
    // An empty text cleared: only the hook runs.
    Control.Clear();
    EXPECT_EQ(Before, 1);
    EXPECT_TRUE(Undo->empty());

    Control.SetAllText("some text");
    Control.Clear();
    EXPECT_EQ(Control.GetAllText(), "");
    EXPECT_EQ(Undo->size(), 2u);
    EXPECT_EQ(Undo->back().Replaced, "some text");

    Control.EndUpdate();
    EXPECT_EQ(Control.GetUpdateLock(), 0);
    Control.BeginUpdate();
    Control.BeginUpdate();
    Control.EndUpdate();
    EXPECT_EQ(Control.GetUpdateLock(), 1);
    for (int32_t I = 0; I < 10; ++I)
        Control.SetSelText("x");
    Control.EndUpdate();
    Control.EndUpdate();
    EXPECT_EQ(Control.GetUpdateLock(), 0);
    EXPECT_EQ(Control.GetAllText(), "xxxxxxxxxx");
    EXPECT_EQ(ListOf(Control).FindInconsistency(), "");
}

TEST(TextAccessTest, LoadResetsTheSelectionAndPicksTheLineBreak) {
    TKorvel Control;
    Control.SetWordWrap(false);
    Control.SetAllText("abc\r\ndef");
    Control.SelectBlock(1, 0, 1, 2);
    TKorvelNavigator Other(static_cast<TObject*>(&Control));
    Other.SetPos(7);
    std::vector<std::pair<int32_t, int32_t>> Parsed;
    Control.OnParse = [&](TObject*, int32_t From, int32_t To) { Parsed.emplace_back(From, To); };
    int32_t Changes = 0;
    Control.OnChange = [&](TObject*) { ++Changes; };

    Control.SetOptions(Control.GetOptions() | OptionBit(kvoAutoLineBreak));
    LoadText(Control, "one\ntwo\nthree");
    EXPECT_EQ(Control.GetLineBreak(), kbLF);
    EXPECT_EQ(Saved(Control), "one\ntwo\nthree");
    EXPECT_EQ(SelectionOf(Control), (TSel{0, 0, 0, 0}));
    EXPECT_FALSE(Control.GetBlockActive());
    EXPECT_EQ(Other.GetPos(), 0);
    EXPECT_EQ(Control.GetTopPixel(), 0);
    EXPECT_EQ(Control.GetUpdateLock(), 0);
    EXPECT_EQ(Parsed, (std::vector<std::pair<int32_t, int32_t>>{{0, 15}}));
    EXPECT_EQ(Changes, 1);

    // Without the option the break stays; NUL bytes become the replacement.
    Control.SetOptions(Control.GetOptions() & ~OptionBit(kvoAutoLineBreak));
    Control.SetNullReplacement('?');
    LoadText(Control, Raw("a\0b\r\nc"));
    EXPECT_EQ(Control.GetAllText(), "a?b\r\nc");
    EXPECT_EQ(Saved(Control), "a?b\nc");
    Control.SetLineBreak(kbLFCR);
    EXPECT_EQ(Saved(Control), "a?b\n\rc");
}

TEST(TextAccessTest, AFailingLoadLeavesTheOldTextSelectionAndHistory) {
    TWindowed W;
    TKorvel& Control = *W;
    Control.SetAllText("old\r\ntext");
    Control.SetSelStart(3);
    Control.SetSelLength(4);
    int32_t Changes = 0;
    int32_t Progress = 0;
    Control.OnChange = [&](TObject*) { ++Changes; };
    Control.OnProgress = [&](TObject*) { ++Progress; };
    // The first chunk is read; the second read fails.
    const std::string Bytes = "new\r\n" + std::string(70000, 'p');
    TFailingStream Stream(Bytes);
    EXPECT_THROW(Control.LoadFromStream(Stream), EReadError);
    EXPECT_EQ(Changes, 0);
    EXPECT_GE(Progress, 1); // the final report runs on the exit path too
    EXPECT_EQ(Control.GetUpdateLock(), 0);
    EXPECT_EQ(Control.GetAllText(), "old\r\ntext");
    EXPECT_EQ(Control.GetSelStart(), 3);
    EXPECT_EQ(Control.GetSelLength(), 4);
    EXPECT_TRUE(Control.CanUndo());
    EXPECT_EQ(ListOf(Control).FindInconsistency(false), "");
    EXPECT_NO_THROW(Control.CheckIntegrity());
    // The control goes on working, its history included.
    Control.SetSelText("!");
    EXPECT_EQ(Control.GetAllText(), "old!xt");
    Control.Undo();
    Control.Undo();
    EXPECT_EQ(Control.GetAllText(), "");
    EXPECT_EQ(ListOf(Control).FindInconsistency(false), "");
    // A later load of the whole stream replaces the text.
    TMemoryStream Whole{std::string_view("new\r\nloaded")};
    const int32_t ChangesBefore = Changes;
    Control.LoadFromStream(Whole);
    EXPECT_EQ(Control.GetAllText(), "new\r\nloaded");
    EXPECT_EQ(Changes, ChangesBefore + 1);
    EXPECT_FALSE(Control.CanUndo());
}

TEST(TextAccessTest, AParagraphSetElsewhereKeepsTheCaretOnItsText) {
    TKorvel Control;
    Control.SetAllText("aa\r\nbbbb\r\ncc");
    Control.SetSelStart(11); // the first c selected, the caret after it
    Control.SetSelLength(-1);
    Control.SetParText(0, "A\r\nNEW");
    EXPECT_EQ(Control.GetAllText(), "A\r\nNEW\r\nbbbb\r\ncc");
    EXPECT_EQ(Control.GetSelText(), "c");
    EXPECT_EQ(Control.GetSelStart(), 15);
    // The caret's own paragraph: the caret goes to its start.
    Control.SetParText(3, "xyz");
    EXPECT_EQ(Control.GetAllText(), "A\r\nNEW\r\nbbbb\r\nxyz");
    EXPECT_EQ(SelectionOf(Control), (TSel{14, 14, 14, 0}));
    // Beyond the last paragraph: empty ones are appended first.
    Control.SetParText(6, "end");
    EXPECT_EQ(Control.GetAllText(), "A\r\nNEW\r\nbbbb\r\nxyz\r\n\r\n\r\nend");
    EXPECT_EQ(Control.GetSelStart(), 14);
    EXPECT_THROW(Control.SetParText(-1, "x"), ERangeError);
    EXPECT_EQ(ListOf(Control).FindInconsistency(), "");
}
