#include "KVSupport/TCustomKorvel.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/HighlightRun.h"
#include "KVSupport/THighlightEngine.h"
#include "KVSupport/TKorvelHighlighter.h"
#include "KVSupport/TKorvelNavigator.h"

#include <algorithm>

namespace korvel {

TCustomKorvel::TCustomKorvel()
    : Paragraphs(std::make_unique<TParagraphsList>()), Keywords(std::make_unique<TKeywordList>()),
      StartStopKeys(std::make_unique<TStartStopKeyList>()),
      Engine(std::make_unique<THighlightEngine>(*this)) {
    Paragraphs->AddEmptyParagraph();
    Font.SetName("Arial");
}

TCustomKorvel::~TCustomKorvel() {
    if (Highlighter != nullptr)
        Highlighter->RemoveClient(this);
    // Detaching removes each navigator from the register; work on a copy.
    const std::vector<TKorvelNavigator*> Remaining = Navigators;
    for (TKorvelNavigator* Navigator : Remaining)
        Navigator->ControlDestroyed();
}

// --- Highlighting ---

void TCustomKorvel::SetSeparators(const std::string& Value) {
    Separators.SetSeparators(Value);
    StartStopKeys->SetPrepared(false);
}

void TCustomKorvel::SetUpperCaseType(TkvUpperCase Value) {
    if (Value == UpperCaseType)
        return;
    UpperCaseType = Value;
    Keywords->SetCaseRule(Value);
    StartStopKeys->SetCaseRule(Value);
    Engine->GetUpperCache().Drop();
}

void TCustomKorvel::SetHighlighter(TKorvelHighlighter* Value) {
    if (Highlighter != nullptr)
        Highlighter->RemoveClient(this);
    Highlighter = Value;
    if (Highlighter != nullptr)
        Highlighter->AddClient(this);
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

int32_t TCustomKorvel::ReplaceRangeAndRehighlight(TKorvelNavigator& SelStart,
                                                  TKorvelNavigator& SelEnd, const char* Text,
                                                  bool CloseFormats) {
    const int32_t OldStart = SelStart.GetPos();
    const int32_t OldEnd = SelEnd.GetPos();
    if (OldStart == OldEnd && (Text == nullptr || *Text == '\0'))
        return 0; // nothing is replaced
    const int32_t FirstPara = SelStart.GetParIndex();
    const int32_t LastPara = SelEnd.GetParIndex();
    const uint8_t LastFlags = (*Paragraphs)[LastPara].Flags;
    Engine->CaptureChangeStates(SelStart, SelEnd);
    const int32_t OldCount = Paragraphs->GetCount();

    bool RunsCut = false;
    int32_t LineDelta = 0;
    int32_t CharDelta = 0;
    Paragraphs->ReplaceRange(Text, SelStart, RunsCut, LineDelta, CharDelta, CloseFormats,
                             HasOption(kvoDiscardTrailingSpaces), SelEnd);
    const int32_t ParagraphDelta = Paragraphs->GetCount() - OldCount;
    // A paragraph that now ends with the tail of a later one holds ranges
    // and keywords that are current only if they were in both.
    if (LastPara != FirstPara && SelEnd.GetParIndex() == SelStart.GetParIndex())
        (*Paragraphs)[SelStart.GetParIndex()].Flags &=
            static_cast<uint8_t>(LastFlags | ~(pfScanned | pfKeywords));
    // The state in force where the replaced range really began: the
    // replacement may have moved the start off the middle of a break or back
    // over blanks, and the runs before the start are as they were.
    const HighlightRun StartState = Engine->StateBeforeStart(SelStart);

    Engine->GetUpperCache().ParagraphsReplaced(FirstPara, LastPara, ParagraphDelta);
    // The replaced range starts where SelStart stands now: trailing blanks
    // before it may have been taken into the range, and a start between CR
    // and LF counts as before the CR.
    const int32_t ReplacedFrom = SelStart.GetPos();
    const std::vector<TKorvelNavigator*> Others = Navigators;
    for (TKorvelNavigator* Navigator : Others)
        if (Navigator != &SelStart && Navigator != &SelEnd)
            Navigator->AdjustAfterReplace(SelStart, ReplacedFrom, OldEnd, LastPara, CharDelta,
                                          ParagraphDelta);
    Engine->RehighlightChange(StartState, RunsCut, SelStart, SelEnd);
    return LineDelta;
}

void TCustomKorvel::MarkLinePositionsStale(int32_t, int32_t) {}

void TCustomKorvel::HighlightingReset() {}

void TCustomKorvel::RegisterNavigator(TKorvelNavigator* Navigator) {
    Navigators.push_back(Navigator);
}

void TCustomKorvel::UnregisterNavigator(TKorvelNavigator* Navigator) {
    const auto Found = std::find(Navigators.rbegin(), Navigators.rend(), Navigator);
    if (Found != Navigators.rend())
        Navigators.erase(std::next(Found).base());
}

uint8_t TCustomKorvel::EffectiveStyle(uint8_t CodeState, uint8_t RunFlags) const {
    if ((RunFlags & hfAutomatic) != 0) {
        const bool SpecialUnderline = (RunFlags & 0x18) == 0x18;
        return RunFlags & (SpecialUnderline ? 0xA7 : 0x3F);
    }
    return CodeState ^ Font.GetStyle();
}

void TCustomKorvel::SelectStyleFont(TCanvas& Target, uint8_t Style) const {
    Target.SelectFont((Style & csAltFont) != 0 ? AltFont : Font, Style & fsAllStyles);
}

int32_t TCustomKorvel::MeasureText(const TCanvas& Target, const char* Text, int32_t Length) const {
    const int32_t Chunk = std::max(View.TextOutChunk, 1);
    int32_t Width = 0;
    TSize Size{};
    while (Length > 0) {
        const int32_t N = std::min(Length, Chunk);
        if (Target.GetTextExtent(Text, N, Size))
            Width += Size.cx;
        Text += N;
        Length -= N;
    }
    return Width;
}

} // namespace korvel
