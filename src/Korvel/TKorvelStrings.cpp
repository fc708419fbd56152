#include "Korvel/TKorvelStrings.h"

#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TLinesList.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "framework/TMemoryStream.h"
#include "framework/TValueReader.h"
#include "framework/TValueType.h"
#include "framework/TValueWriter.h"

#include <algorithm>

namespace korvel {

namespace {

const std::string Break = "\r\n";

// An 8-bit string value as stored, without conversion: a 1-byte length up
// to 255 characters, a 4-byte length beyond.
void WriteRawString(TValueWriter& Writer, std::string_view Bytes) {
    const auto Length = static_cast<uint32_t>(Bytes.size());
    TStream& Stream = Writer.GetStream();
    if (Length <= 255) {
        Writer.WriteValue(TValueType::vaString);
        const auto Short = static_cast<uint8_t>(Length);
        Stream.WriteBuffer(&Short, 1);
    } else {
        Writer.WriteValue(TValueType::vaLString);
        const uint8_t Bytes4[4] = {static_cast<uint8_t>(Length), static_cast<uint8_t>(Length >> 8),
                                   static_cast<uint8_t>(Length >> 16),
                                   static_cast<uint8_t>(Length >> 24)};
        Stream.WriteBuffer(Bytes4, 4);
    }
    Stream.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
}

// One paragraph of a stored list: a wide string, or 8-bit pieces joined
// while a piece ends in the continuation mark 0x05 (which is dropped).
std::string ReadStoredParagraph(TValueReader& Reader) {
    if (Reader.NextValue() == TValueType::vaWString)
        return Reader.ReadString();
    std::string Paragraph;
    for (;;) {
        std::string Piece = Reader.ReadString();
        const bool Continued = !Piece.empty() && Piece.back() == '\x05';
        if (Continued)
            Piece.pop_back();
        Paragraph += Piece;
        if (!Continued || Reader.EndOfList())
            return Paragraph;
    }
}

} // namespace

// --- both views ---

void TKorvelStrings::Assign(const TStrings& Source) {
    TMemoryStream Stream;
    if (const auto* View = dynamic_cast<const TKorvelStrings*>(&Source))
        View->GetControl().SaveToStream(Stream);
    else
        Source.SaveToStream(Stream);
    Stream.SetPosition(0);
    Control.LoadFromStream(Stream);
}

std::string TKorvelStrings::GetText() const {
    return Control.GetTextRange(0, Control.GetTextLength());
}

void TKorvelStrings::SetText(std::string_view Text) {
    Control.SetAllText(std::string(Text));
}

void TKorvelStrings::Clear() {
    Control.Clear();
}

void TKorvelStrings::LoadFromStream(TStream& Stream) {
    Control.LoadFromStream(Stream);
}

void TKorvelStrings::SaveToStream(TStream& Stream) const {
    const std::string Text = Control.GetAllText();
    Stream.WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

void TKorvelStrings::SetUpdateState(bool Updating) {
    if (Updating)
        Control.BeginUpdate();
    else
        Control.EndUpdate();
}

bool TKorvelStrings::HasStoredData() const {
    return Control.GetTextLength() > 0;
}

// Every paragraph is stored, the empty last one too, so that reading gives
// back the same paragraphs.
void TKorvelStrings::WriteStrings(TValueWriter& Writer) const {
    const TParagraphsList& List = Control.GetParagraphsList();
    Writer.WriteListBegin();
    for (int32_t I = 0; I < List.GetCount(); ++I)
        WriteRawString(Writer, List[I].View());
    Writer.WriteListEnd();
}

// Leading empty paragraphs survive: the first value read always fills
// paragraph 0 and every further one appends a paragraph.
void TKorvelStrings::ReadStrings(TValueReader& Reader) {
    Reader.ReadListBegin();
    Control.BeginUpdate();
    try {
        Control.Clear();
        bool First = true;
        while (!Reader.EndOfList()) {
            const std::string Paragraph = ReadStoredParagraph(Reader);
            Control.SetParText(First ? 0 : Control.GetParagraphCount(), Paragraph);
            First = false;
        }
    } catch (...) {
        Control.EndUpdate();
        throw;
    }
    Control.EndUpdate();
    Reader.ReadListEnd();
}

// --- paragraphs ---

std::string TKorvelParaStrings::Get(int32_t Index) const {
    return Control.GetParText(Index);
}

int32_t TKorvelParaStrings::GetCount() const {
    const TParagraphsList& List = Control.GetParagraphsList();
    const int32_t Count = List.GetCount();
    return List[Count - 1].ParLength() == 0 ? Count - 1 : Count;
}

void TKorvelParaStrings::Put(int32_t Index, const std::string& S) {
    Control.SetParText(Index, S);
}

int32_t TKorvelParaStrings::Add(const std::string& S) {
    const TParagraphsList& List = Control.GetParagraphsList();
    const int32_t Count = List.GetCount();
    if (List[Count - 1].ParLength() != 0)
        Control.SetParText(Count, S);
    else
        Control.SetParText(Count - 1, S + Break);
    return GetCount() - 1;
}

void TKorvelParaStrings::Insert(int32_t Index, const std::string& S) {
    Control.SetSelLength(0);
    if (Index < Control.GetParagraphCount()) {
        Control.SetCaretPar(Index);
        Control.SetSelText(S + Break);
    } else {
        Control.SetSelStart(Control.GetTextLength());
        Control.SetSelText(Break + S);
    }
}

void TKorvelParaStrings::Delete(int32_t Index) {
    const int32_t Count = Control.GetParagraphCount();
    if (Index < 0 || Index >= Count)
        return;
    Control.SetSelLength(0);
    Control.SetCaretPar(Index);
    const int32_t Length = Control.GetParagraphsList()[Index].ParLength();
    Control.SetSelLength(Index < Count - 1 ? Length + 2 : Length);
    Control.ClearSelection();
}

// --- display lines ---

TKorvelLinesStrings::TKorvelLinesStrings(TKorvel& Control) : TKorvelStrings(Control) {}

TKorvelLinesStrings::~TKorvelLinesStrings() = default;

std::string TKorvelLinesStrings::Get(int32_t Index) const {
    return Control.GetLineText(Index);
}

int32_t TKorvelLinesStrings::GetCount() const {
    if (!LastParLines)
        LastParLines = std::make_unique<TLinesList>();
    TParagraphsList& List = Control.GetParagraphsList();
    LastParLines->Bind(&List[List.GetCount() - 1]);
    const TLineRecord& Last = LastParLines->Get(LastParLines->Count() - 1);
    const int32_t Lines = Control.GetLineCount();
    return Last.Start >= Last.Stop ? Lines - 1 : Lines;
}

void TKorvelLinesStrings::Put(int32_t Index, const std::string& S) {
    if (Index < 0 || Index >= Control.GetLineCount())
        return;
    Control.SetSelLength(0);
    Control.SetCaretLine(Index);
    TKorvelNavigator& Caret = Control.GetCaretNav();
    TLineRecord Line{};
    Caret.GetLines().CopyLine(Caret.GetLineIndex(), Line);
    Control.SetSelLength(Line.Stop - Line.Start);
    Control.SetSelText(S);
}

int32_t TKorvelLinesStrings::Add(const std::string& S) {
    Control.SetSelLength(0);
    const TParagraphsList& List = Control.GetParagraphsList();
    if (Control.IsUpdating() && List[List.GetCount() - 1].ParLength() == 0) {
        // Inside an update bracket the caret and the view wait for its end,
        // so the caret can go straight to the end: S and a break replace
        // the empty last paragraph there, which leaves the same text, caret
        // and undo step as Paragraphs.Add, without putting the caret back
        // in between. This is the path of a text written line by line, so
        // the caret is usually at the end already; putting it there again
        // would change nothing but end the undo step, which is done here.
        PutCaretAtEnd();
        Appended.assign(S);
        Appended += Break;
        Control.SetSelTextBuf(Appended.c_str());
        PutCaretAtEnd();
    } else {
        Control.GetParagraphs().Add(S);
        Control.SetSelStart(Control.GetTextLength());
    }
    if (Control.HandleAllocated())
        Control.ScrollInView();
    // An empty last paragraph is one empty display line, which Count leaves
    // out.
    if (List[List.GetCount() - 1].ParLength() == 0)
        return Control.GetLineCount() - 2;
    return GetCount() - 1;
}

void TKorvelLinesStrings::PutCaretAtEnd() {
    const int32_t End = Control.GetTextLength();
    if (Control.GetSelLength() != 0 || Control.GetSelStart() != End)
        Control.SetSelStart(End);
    else
        Control.SetNoUndoMerge(true);
}

void TKorvelLinesStrings::Insert(int32_t Index, const std::string& S) {
    const int32_t Lines = Control.GetLineCount();
    if (Index > Lines)
        return;
    Control.SetSelLength(0);
    if (Index < Lines) {
        Control.SetCaretLine(Index);
        Control.SetSelText(S + Break);
    } else {
        Control.SetSelStart(Control.GetTextLength());
        Control.SetSelText(Break + S);
    }
}

void TKorvelLinesStrings::Delete(int32_t Index) {
    if (Index < 0 || Index >= GetCount())
        return;
    Control.SetSelLength(0);
    Control.SetCaretLine(Index);
    TKorvelNavigator& Caret = Control.GetCaretNav();
    TLineRecord Line{};
    Caret.GetLines().CopyLine(Caret.GetLineIndex(), Line);
    int32_t Length = Line.Stop - Line.Start;
    if (Line.Stop >= Caret.GetPar()->ParLength())
        Length += 2; // the paragraph's break goes with its last line
    Control.SetSelLength(Length);
    Control.ClearSelection();
}

} // namespace korvel
