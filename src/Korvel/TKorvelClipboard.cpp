// Copy, cut and paste through the clipboard port: stream selections as
// text, column blocks as text marked by the block format, and the pasting of
// a block into a column.

#include "KVSupport/ColumnConversions.h"
#include "KVSupport/FormatCodes.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
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

void TKorvel::InsertColumnBlock(const std::string& Text) {
    // A paste that saved a persistent block restores it itself.
    const bool Restore = !SavedBlock;
    PrepareNoOverwriteInsert();
    const std::vector<std::string_view> Lines = SplitLines(Text);
    const int32_t Tabs = GetTabStops();
    const bool Codes = GetStaticFormat();
    // The caret's column: the columns of the characters before it in its
    // paragraph and the blank columns it stands beyond the line end.
    const int32_t Column = OffsetToColumn(GetParagraphsList()[CaretNav->GetParIndex()],
                                          CaretNav->GetParOffset(), Tabs, Codes) +
                           ExtraColumns;
    const int32_t First = SelStartNav->GetParIndex();
    BeginUpdate();
    try {
        for (size_t I = 0; I < Lines.size(); ++I) {
            const int32_t P = First + static_cast<int32_t>(I);
            if (P >= GetParagraphCount())
                GetParagraphs().Add(std::string());
            SetCaretPar(P);
            const TParagraph& Par = GetParagraphsList()[P];
            const int32_t Offset = ColumnToOffset(Par, Column, Tabs, Codes);
            SetCaretLineOffset(Offset);
            // Blanks only where the paragraph ends short of the column.
            const int32_t Missing = Offset >= Par.ParLength()
                                        ? std::max(0, ColumnRemainder(Par, Column, Tabs, Codes))
                                        : 0;
            std::string Line(static_cast<size_t>(Missing), ' ');
            Line.append(Lines[I]);
            SetSelText(Line);
        }
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

} // namespace korvel
