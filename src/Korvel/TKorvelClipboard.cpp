// Copy, cut and paste through the clipboard port: stream selections as
// text, column blocks as text marked by the block format, and the pasting of
// a block into a column.

#include "KVSupport/ColumnConversions.h"
#include "KVSupport/FormatCodes.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TFlagGuard.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelStrings.h"
#include "framework/Exceptions.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel {

namespace {

constexpr const char* BlockFormatName = "Borland IDE Block Type";
// The block format's data: one byte of this value marks a column block.
constexpr char BlockMarker = 2;

// The lines of a pasted block: split at CR LF, a lone CR or a lone LF; a 0
// byte ends the text. A break at the very end ends the last line and starts
// none.
std::vector<std::string_view> SplitLines(std::string_view Text) {
    Text = Text.substr(0, Text.find('\0'));
    std::vector<std::string_view> Lines;
    size_t Start = 0;
    for (size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] != '\r' && Text[I] != '\n')
            continue;
        Lines.push_back(Text.substr(Start, I - Start));
        if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
            ++I;
        Start = I + 1;
    }
    if (Start < Text.size())
        Lines.push_back(Text.substr(Start));
    return Lines;
}

// Opens a session for the lifetime of the guard.
class TClipboardSession {
public:
    explicit TClipboardSession(TClipboard& Clipboard) : Clipboard(Clipboard) {
        if (!Clipboard.Open())
            throw Exception("Cannot open clipboard");
    }
    ~TClipboardSession() { Clipboard.Close(); }
    TClipboardSession(const TClipboardSession&) = delete;
    TClipboardSession& operator=(const TClipboardSession&) = delete;

private:
    TClipboard& Clipboard;
};

} // namespace

TClipboard& TKorvel::GetClipboard() {
    if (Clipboard != nullptr)
        return *Clipboard;
    if (GetHost() != nullptr)
        return GetHost()->GetClipboard();
    throw Exception("No clipboard");
}

TClipboardFormat TKorvel::RegisterBlockFormat() {
    static std::atomic<TClipboardFormat> BlockFormat{0};
    TClipboardFormat Format = BlockFormat.load();
    if (Format == 0) {
        Format = TClipboard::RegisterFormat(BlockFormatName);
        BlockFormat.store(Format);
    }
    return Format;
}

void TKorvel::CopyToClipboard() {
    if (SelLength == 0)
        return;
    TClipboard& Board = GetClipboard();
    std::string Text;
    if (BlockActive)
        Text = GetBlockText(); // a block keeps its codes
    else {
        Text = GetSelText();
        if (HasOption(kvoPlainClipboard))
            Text = StripCodes(Text);
    }
    const TClipboardSession Session(Board);
    if (!Board.TakeAsText(std::move(Text)))
        throw Exception("Cannot open clipboard");
    if (BlockActive)
        Board.SetData(RegisterBlockFormat(), std::string_view(&BlockMarker, 1));
}

// Nothing selected, nothing cut (clearing an empty selection could put
// blanks in at a caret beyond the line end).
void TKorvel::CutToClipboard() {
    if (SelLength == 0)
        return;
    CopyToClipboard();
    ClearSelection();
}

void TKorvel::PasteFromClipboard() {
    TClipboard& Board = GetClipboard();
    PrepareNoOverwriteInsert();
    try {
        bool IsBlock = false;
        if (HasOption(kvoBlockSelection)) {
            const TClipboardFormat Format = RegisterBlockFormat();
            if (Format != 0 && Board.HasFormat(Format)) {
                std::string Marker;
                if (Board.GetData(Format, Marker))
                    IsBlock = Marker.empty() || Marker[0] == BlockMarker;
            }
        }
        if (Board.HasFormat(CF_TEXT)) {
            NoUndoMerge = true;
            const std::string Text = Board.GetAsText();
            if (IsBlock)
                InsertColumnBlock(Text);
            else
                SetSelText(Text);
            NoUndoMerge = true;
        }
    } catch (...) {
        FinishNoOverwriteInsert();
        throw;
    }
    FinishNoOverwriteInsert();
}

// The whole block goes in as one replacement: the range from the first
// line's place to the last line's place (or to the end of the text when
// paragraphs must be appended) is replaced by the lines, each with its
// padding and closing codes, and the text between them as it stands. So the
// paste is one undo step, and a failure (out of memory, "Text too long")
// leaves the text as it was. Each line gets what inserting it on its own
// would give it: the blanks missing up to the column, the codes that close
// its toggles, and, at a paragraph's end with kvoDiscardTrailingSpaces, no
// trailing blanks; the text between the lines is passed through unchanged,
// and the navigators standing in it (a kept selection, the view's top line)
// move by the lines inserted before them, as with separate insertions.
void TKorvel::InsertColumnBlock(const std::string& Text) {
    // A paste that saved a persistent block restores it itself.
    const bool Restore = !SavedBlock;
    PrepareNoOverwriteInsert();
    BeginUpdate();
    try {
        const std::vector<std::string_view> Lines = SplitLines(Text);
        if (!Lines.empty())
            ReplaceByColumnLines(Lines);
    } catch (...) {
        EndUpdate();
        if (Restore)
            FinishNoOverwriteInsert();
        throw;
    }
    EndUpdate();
    if (Restore)
        FinishNoOverwriteInsert();
    if (UpdateLock == 0)
        ScrollInView();
}

void TKorvel::ReplaceByColumnLines(const std::vector<std::string_view>& Lines) {
    const int32_t Tabs = GetTabStops();
    const bool Codes = GetStaticFormat();
    const bool Close = Codes && !RawMode;
    const bool Discard = HasOption(kvoDiscardTrailingSpaces);
    // The caret's column: the columns of the characters before it in its
    // paragraph and the blank columns it stands beyond the line end.
    const int32_t Column = OffsetToColumn(GetParagraphsList()[CaretNav->GetParIndex()],
                                          CaretNav->GetParOffset(), Tabs, Codes) +
                           ExtraColumns;
    const int32_t First = SelStartNav->GetParIndex();
    const int32_t Count = GetParagraphCount();
    TKorvelNavigator& Probe = *ScratchNavs[0];
    std::string NewText;
    int32_t From = 0;
    int32_t To = 0;
    // Where each line goes into an existing paragraph and what it brings.
    std::vector<std::pair<int32_t, int32_t>> Inserts;
    // The paragraphs that receive text.
    std::vector<int32_t> Filled;
    for (size_t I = 0; I < Lines.size(); ++I) {
        const int32_t P = First + static_cast<int32_t>(I);
        std::string_view Bytes; // the paragraph's text; an appended one has none
        int32_t At = 0;         // where the line goes into it
        int32_t Missing = Column;
        if (P < Count) {
            const TParagraph& Par = GetParagraphsList()[P];
            Bytes = Par.View();
            // The column's offset on the paragraph's first display line.
            const int32_t Offset = ColumnToOffset(Par, Column, Tabs, Codes);
            Probe.SetPos(ParagraphStart(P));
            Probe.SetLineOffset(Offset);
            At = std::min(Probe.GetParOffset(), Par.ParLength());
            // Blanks only where the paragraph ends short of the column.
            Missing = Offset >= Par.ParLength()
                          ? std::max(0, ColumnRemainder(Par, Column, Tabs, Codes))
                          : 0;
        }
        std::string Piece(static_cast<size_t>(Missing), ' ');
        Piece.append(Lines[I]);
        if (Discard && At >= static_cast<int32_t>(Bytes.size()))
            while (!Piece.empty() && (Piece.back() == ' ' || Piece.back() == '\t'))
                Piece.pop_back();
        if (Close)
            Piece += ClosingCodes(ToggleCodes(0, Lines[I]));
        if (P < Count)
            Inserts.emplace_back(ParagraphStart(P) + At, static_cast<int32_t>(Piece.size()));
        if (!Piece.empty())
            Filled.push_back(P);
        const auto Split = static_cast<size_t>(At);
        if (I == 0) {
            From = ParagraphStart(P) + At;
        } else {
            NewText += "\r\n";
            NewText.append(Bytes.substr(0, Split));
        }
        NewText += Piece;
        if (I + 1 < Lines.size())
            NewText.append(Bytes.substr(Split));
        else
            To = P < Count ? ParagraphStart(P) + At : GetTextLength();
    }
    // A navigator inside the range, or at its end, would go to the start
    // of the new text; it goes where the insertions before it move it.
    // One at an insertion point stays before the line, as at the range's
    // start.
    std::vector<std::pair<TKorvelNavigator*, int32_t>> Inside;
    for (TKorvelNavigator* Navigator : GetNavigators()) {
        const int32_t Pos = Navigator->GetPos();
        if (Navigator == SelStartNav.get() || Navigator == SelEndNav.get() || Pos <= From ||
            Pos > To)
            continue;
        int32_t Moved = Pos;
        for (const auto& [Place, Length] : Inserts)
            if (Place < Pos)
                Moved += Length;
        Inside.emplace_back(Navigator, Moved);
    }
    SetSelStart(From);
    SetSelLength(To - From);
    NoUndoMerge = true; // a column paste is a step of its own
    {
        const TFlagGuard NoTidy(TidySuppressed, true);
        SetSelTextBuf(NewText.c_str());
    }
    for (const auto& [Navigator, Moved] : Inside)
        Navigator->SetPos(Moved);
    // Empty code pairs go from the paragraphs that received text, as after
    // inserting each line on its own (the text between the lines is not
    // touched); the caret stays after the last line.
    if (!TidySuppressed && GetStaticFormat() && CompactCodes && !Filled.empty()) {
        TKorvelNavigator& NewEnd = *ScratchNavs[1];
        NewEnd.Assign(*CaretNav);
        for (const int32_t P : Filled)
            TidyCodes(P, P);
        SetSelStart(NewEnd.GetPos());
    }
}

} // namespace korvel
