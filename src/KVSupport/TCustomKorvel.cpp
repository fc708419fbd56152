#include "KVSupport/TCustomKorvel.h"

#include "KVSupport/HighlightRun.h"
#include "KVSupport/THighlightEngine.h"
#include "KVSupport/TKorvelHighlighter.h"
#include "KVSupport/TKorvelNavigator.h"

#include <algorithm>

namespace korvel {

TCustomKorvel::TCustomKorvel()
    : Paragraphs(std::make_unique<TParagraphsList>()), Keywords(std::make_unique<TKeywordList>()),
      StartStopKeys(std::make_unique<TStartStopKeyList>()) {
    BindText(*Paragraphs, Layout);
    Highlight.Keywords = Keywords.get();
    Highlight.StartStopKeys = StartStopKeys.get();
    Highlight.Sender = this;
    Highlight.OnParse = &OnParse;
    Highlight.UpdateLock = &UpdateLock;
    Highlight.LinePositionsStale = [this](int32_t FirstPara, int32_t LastPara) {
        MarkLinePositionsStale(FirstPara, LastPara);
    };
    Engine = std::make_unique<THighlightEngine>(*this, Highlight);
    Paragraphs->AddEmptyParagraph();
    Layout.Font.SetName("Arial");
}

TCustomKorvel::~TCustomKorvel() {
    if (Highlight.Highlighter != nullptr)
        Highlight.Highlighter->RemoveClient(this);
}

// --- Highlighting ---

void TCustomKorvel::SetSeparators(const std::string& Value) {
    Highlight.Separators.SetSeparators(Value);
    StartStopKeys->SetPrepared(false);
}

void TCustomKorvel::SetUpperCaseType(TkvUpperCase Value) {
    if (Value == Highlight.UpperCaseType)
        return;
    Highlight.UpperCaseType = Value;
    Keywords->SetCaseRule(Value);
    StartStopKeys->SetCaseRule(Value);
    Engine->GetUpperCache().Drop();
}

void TCustomKorvel::SetHighlighter(TKorvelHighlighter* Value) {
    if (Highlight.Highlighter != nullptr)
        Highlight.Highlighter->RemoveClient(this);
    Highlight.Highlighter = Value;
    if (Value != nullptr)
        Value->AddClient(this);
}

void TCustomKorvel::HighlighterDestroyed(TKorvelHighlighter* Highlighter) {
    if (Highlight.Highlighter == Highlighter)
        SetHighlighter(nullptr);
}

void TCustomKorvel::ResetHighlighting() {
    Engine->ClearHighlighting();
    MarkLinePositionsStale(0, Paragraphs->GetCount() - 1);
    HighlightingReset();
}

void TCustomKorvel::ScanStartStopUpTo(int32_t Last) {
    Engine->ScanStartStopUpTo(Last);
}

void TCustomKorvel::HighlightParagraph(int32_t Index) {
    Engine->HighlightParagraph(Index);
}

// The text of the replacement goes down once (the list replaces the range
// and reports one TTextChange) and the change comes back once: it is handed
// to the upper-case cache, the other navigators and the highlighting.
TTextChange TCustomKorvel::ReplaceRangeAndRehighlight(TKorvelNavigator& SelStart,
                                                      TKorvelNavigator& SelEnd, const char* Text,
                                                      bool CloseFormats) {
    if (SelStart.GetPos() == SelEnd.GetPos() && (Text == nullptr || *Text == '\0')) {
        TTextChange Nothing;
        Nothing.FromPos = Nothing.ToPos = Nothing.NewToPos = SelStart.GetPos();
        return Nothing; // nothing is replaced
    }
    const int32_t FirstPara = SelStart.GetParIndex();
    const int32_t LastPara = SelEnd.GetParIndex();
    const uint8_t LastFlags = (*Paragraphs)[LastPara].Flags;
    Engine->CaptureChangeStates(SelStart, SelEnd);

    const TTextChange Change =
        ReplaceBetween(SelStart, SelEnd, Text, CloseFormats, HasOption(kvoDiscardTrailingSpaces));
    // A paragraph that now ends with the tail of a later one holds ranges
    // and keywords that are current only if they were in both.
    if (LastPara != FirstPara && Change.NewLastPara == Change.FirstPara)
        (*Paragraphs)[Change.FirstPara].Flags &=
            static_cast<uint8_t>(LastFlags | ~(pfScanned | pfKeywords));
    // The state in force where the replaced range really began: the
    // replacement may have moved the start off the middle of a break or back
    // over blanks, and the runs before the start are as they were.
    const HighlightRun StartState = Engine->StateBeforeStart(Change);

    Engine->GetUpperCache().ParagraphsReplaced(Change.FirstPara, Change.LastPara,
                                               Change.ParagraphDelta);
    // Moving a navigator neither registers nor unregisters one, so the
    // register is walked in place.
    for (TKorvelNavigator* Navigator : GetNavigators())
        if (Navigator != &SelStart && Navigator != &SelEnd)
            Navigator->AdjustAfterReplace(SelStart, Change);
    Engine->RehighlightChange(StartState, Change);
    return Change;
}

void TCustomKorvel::MarkLinePositionsStale(int32_t, int32_t) {}

void TCustomKorvel::HighlightingReset() {}

} // namespace korvel
