// The control's whole-text side: reading the text, replacing all of it,
// loading and saving, the update bracket, and the paragraph and display-line
// access of the string views.

#include "KVSupport/THighlightEngine.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelStrings.h"
#include "framework/Exceptions.h"
#include "framework/TLargeBuffer.h"
#include "platform/TControlHost.h"
#include "platform/WindowsCodes.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace korvel {

// --- text access and update bracket ---

void TKorvel::Change() {
    if (OnChange)
        OnChange(this);
}

void TKorvel::EndUpdate() {
    UpdateLock = std::max(UpdateLock - 1, 0);
    if (UpdateLock == 0)
        UpdateAfterChange();
}

// The text is copied paragraph by paragraph, block-wise through the record
// array: one pass, one allocation. Most of the time of reading a large text
// is the first touch of the fresh result, so it is asked for huge pages.
std::string TKorvel::GetAllText() {
    const TParagraphsList& List = GetParagraphsList();
    const auto Length = static_cast<size_t>(List.GetTextLength());
    std::string Text;
    Text.reserve(Length);
    AdviseHugePages(Text.data(), Length);
    Text.resize(Length);
    char* Out = Text.data();
    bool First = true;
    List.ForEachFrom(0, [&Out, &First](const TParagraph& Par) {
        if (!First) {
            *Out++ = '\r';
            *Out++ = '\n';
        }
        First = false;
        const int32_t Length = Par.ParLength();
        if (Length > 0) {
            std::memcpy(Out, Par.Text, static_cast<size_t>(Length));
            Out += Length;
        }
    });
    return Text;
}

std::string TKorvel::GetTextRange(int32_t Start, int32_t Stop) {
    Start = std::max(Start, 0);
    Stop = std::min(Stop, GetTextLength());
    if (Start >= Stop)
        return {};
    TKorvelNavigator& Reader = *ScratchNavs[0];
    Reader.SetPos(Start);
    std::string Text(static_cast<size_t>(Stop - Start), '\0');
    // CopyText writes the 0 byte after the characters into the string's own
    // terminator.
    const int32_t Copied = Reader.CopyText(Text.data(), Stop - Start);
    Text.resize(static_cast<size_t>(Copied));
    return Text;
}

void TKorvel::SetAllText(const char* Text) {
    SelectAll();
    SetSelTextBuf(Text);
}

void TKorvel::Clear() {
    SetAllText(static_cast<const char*>(""));
}

// The stream is read into a paragraph list of its own, which takes the
// place of the current text only once the whole stream was read; then every
// navigator goes to 0 and the history is emptied. A failure (a read error,
// "Text too long", out of memory) leaves the text, the selection and the
// history as they were: a half-read file never replaces what the user had.
// The update lock is released and the final progress report made either
// way; only a complete load is a change.
void TKorvel::LoadFromStream(TStream& Stream) {
    TParagraphsList& List = GetParagraphsList();
    const TNotifyEvent Progress =
        OnProgress ? TNotifyEvent([this](TObject*) { OnProgress(this); }) : TNotifyEvent();
    auto Finish = [&] {
        TViewMetrics& View = GetView();
        View.MaxLineWidth = 0;
        View.WidestPara = -1;
        HoverLine = -1;
        SelLength = 0;
        BlockActive = false;
        ExtraColumns = 0;
        PreferredX = NoPreferredX;
        CaretNav = SelStartNav.get();
        for (TKorvelNavigator* Navigator : GetNavigators()) {
            Navigator->Reset();
            Navigator->SetPos(0);
        }
        if (OnParse)
            OnParse(this, 0, List.GetTextLength());
        --UpdateLock;
        View.TopPixel = 0;
        View.LeftPixel = 0;
        if (OnProgress)
            OnProgress(this);
        if (UpdateLock == 0)
            List.GetPendingChange().Clear();
        if (IsLoading() || UpdateLock > 0)
            return;
        const int32_t Last = List.GetCount() - 1;
        if (IsDesigning() && IsViewLive()) {
            FormatParagraphs(0, Last, true, true);
        } else if (HandleAllocated()) {
            Invalidate();
            if (UpdateMode == umImmediate) {
                FormatParagraphs(0, Last, true, false);
                List.GetFormatCounters().MarkAllFormatted(List.GetCount());
            } else if (UpdateMode == umBackground) {
                ResumeFormatThread();
            }
            UpdateHorzScrollBar();
            ++UpdateLock;
            UpdateVertScrollBar();
            --UpdateLock;
            if (HasHorzBar)
                GetHost()->SetScrollPos(SB_HORZ, 0, true);
            if (HasVertBar)
                GetHost()->SetScrollPos(SB_VERT, 0, true);
            UpdateCaret(false);
        }
    };

    ++UpdateLock;
    TKorvelLineBreak Detected = LineBreak;
    try {
        TParagraphsList Loaded(List.GetClock());
        Loaded.SetStaticFormat(List.GetStaticFormat());
        Loaded.LoadText(Stream, static_cast<uint8_t>(NullReplacement), ProgressInterval, Progress,
                        Detected, HasOption(kvoDiscardTrailingSpaces));
        List.SwapText(Loaded);
        // Nothing may keep a reference into the old text, which goes with
        // Loaded.
        for (TKorvelNavigator* Navigator : GetNavigators())
            Navigator->Reset();
        GetHighlightEngine().GetUpperCache().Drop();
        ClearUndo();
    } catch (...) {
        --UpdateLock;
        if (OnProgress)
            OnProgress(this);
        throw;
    }
    if (HasOption(kvoAutoLineBreak))
        LineBreak = Detected;
    Finish();
    Change();
}

void TKorvel::SaveToStream(TStream& Stream) {
    const TNotifyEvent Progress =
        OnProgress ? TNotifyEvent([this](TObject*) { OnProgress(this); }) : TNotifyEvent();
    GetParagraphsList().SaveText(Stream, CompactCodes, ProgressInterval, Progress, LineBreak,
                                 HasOption(kvoDiscardTrailingSpaces));
}

// --- paragraphs and display lines ---

std::string TKorvel::GetParText(int32_t Index) const {
    const TParagraphsList& List = GetParagraphsList();
    if (Index < 0 || Index >= List.GetCount())
        throw ERangeError(SListIndexError);
    return std::string(List[Index].View());
}

// The caret moves with the text before it: by the change of the text length,
// which also counts breaks that Text brings in.
void TKorvel::SetParText(int32_t Index, const std::string& Text) {
    if (Index < 0)
        throw ERangeError(SListIndexError);
    const int32_t CaretPar = GetCaretPar();
    if (Index == CaretPar)
        SetSelStart(ParagraphStart(Index));
    int32_t OldCaret = GetSelStart();
    const int32_t OldLength = SelLength;
    int32_t Delta = 0;
    BeginUpdate();
    try {
        if (const int32_t Missing = Index - GetParagraphCount() + 1; Missing > 0) {
            // All missing paragraphs and the new text in one replacement at
            // the end, so that a failure part way (out of memory) cannot
            // leave the breaks without the text.
            if (int64_t{GetTextLength()} + 2 * int64_t{Missing} > INT32_MAX)
                throw Exception(STextTooLong);
            SetSelStart(GetTextLength());
            std::string Appended;
            Appended.reserve(2 * static_cast<size_t>(Missing) + Text.size());
            for (int32_t I = 0; I < Missing; ++I)
                Appended += "\r\n";
            Appended += Text.c_str(); // up to a 0 byte, as SetSelTextBuf reads it
            SetSelText(Appended);
        } else {
            SetSelStart(ParagraphStart(Index));
            SetSelLength(GetParagraphsList()[Index].ParLength());
            const int32_t Before = GetTextLength();
            SetSelTextBuf(Text.c_str());
            Delta = GetTextLength() - Before;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    if (Index < CaretPar)
        OldCaret += Delta;
    SetSelStart(OldCaret);
    if (Index != CaretPar)
        SetSelLength(OldLength);
}

// Lines are counted through the paragraphs before them, so the paragraphs
// up to the one found must be formatted for the line to be the right one:
// formatting goes on while any of them waits, or while the line lies beyond
// the lines known and paragraphs still wait.
TKorvelNavigator& TKorvel::NavigatorOnLine(int32_t Index) {
    TKorvelNavigator& Navigator = *ScratchNavs[0];
    const TFormatCounters& Counters = GetParagraphsList().GetFormatCounters();
    Navigator.SetGlobalLine(Index);
    while (Counters.IsFormatPending() && (Counters.GetFormatFrontier() <= Navigator.GetParIndex() ||
                                          Navigator.GetGlobalLine() != Index)) {
        const int32_t From = Counters.GetFormatFrontier();
        FormatParagraphs(From, std::max(From, Navigator.GetParIndex()), false, false);
        Navigator.SetGlobalLine(Index);
        if (Counters.GetFormatFrontier() <= From)
            break; // nothing more could be formatted
    }
    return Navigator;
}

std::string TKorvel::GetLineText(int32_t Index) {
    std::string Text;
    if (Index < 0)
        return Text;
    TKorvelNavigator& Navigator = NavigatorOnLine(Index);
    if (Index < GetLineCount())
        Navigator.GetLineText(Text);
    return Text;
}

void TKorvel::SetLines(const TStrings& Value) {
    LinesView->Assign(Value);
}

} // namespace korvel
