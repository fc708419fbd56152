#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/KorvelTypes.h"
#include "KVSupport/TKeywordList.h"
#include "KVSupport/TParagraphsList.h"
#include "KVSupport/TSeparatorSet.h"
#include "KVSupport/TStartStopKeyList.h"
#include "KVSupport/TViewMetrics.h"
#include "KVSupport/UpperCaseRules.h"
#include "framework/ControlTypes.h"
#include "framework/TFont.h"
#include "framework/TObject.h"
#include "platform/TCanvas.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvel {

class THighlightEngine;
class TKorvelHighlighter;
class TKorvelNavigator;

// Raised after a text change with the range of the new text, before it is
// highlighted again, and after a load with the whole text.
using TParseEvent = std::function<void(TObject* Sender, int32_t StartOffset, int32_t StopOffset)>;

// The core of the editor control: the state that the text store, navigators,
// line breaking and highlighting work on. The control's public face, view and
// input (TKorvel) derive from it; code at this level never needs them.
//
// It owns the paragraph list (one empty paragraph after construction) and
// keeps the register of navigators attached to it, so that every replacement
// can keep them in step. The layout properties here have plain setters; the
// derived control re-lays out and repaints on top of them.
class TCustomKorvel : public TPersistent {
public:
    TCustomKorvel();
    // Navigators still registered are detached (their control becomes none);
    // their owners free them.
    ~TCustomKorvel() override;

    TCustomKorvel(const TCustomKorvel&) = delete;
    TCustomKorvel& operator=(const TCustomKorvel&) = delete;

    // --- The text ---

    TParagraphsList& GetParagraphsList() { return *Paragraphs; }
    const TParagraphsList& GetParagraphsList() const { return *Paragraphs; }
    int32_t GetTextLength() const { return Paragraphs->TextLength; }
    int32_t GetParagraphCount() const { return Paragraphs->GetCount(); }
    int32_t GetLineCount() const { return Paragraphs->LineCount; }

    // --- Navigator register ---

    void RegisterNavigator(TKorvelNavigator* Navigator);
    void UnregisterNavigator(TKorvelNavigator* Navigator);
    const std::vector<TKorvelNavigator*>& GetNavigators() const { return Navigators; }

    // --- Layout and text properties ---

    bool GetWordWrap() const { return WordWrap; }
    virtual void SetWordWrap(bool Value) { WordWrap = Value; }
    TAlignment GetAlignment() const { return Alignment; }
    virtual void SetAlignment(TAlignment Value) { Alignment = Value; }
    bool GetJustified() const { return Justified; }
    virtual void SetJustified(bool Value) { Justified = Value; }
    // > 0: wrap at that many blank widths; < 0: at that many pixels; 0: at the window.
    int32_t GetColumnWrap() const { return ColumnWrap; }
    virtual void SetColumnWrap(int32_t Value) { ColumnWrap = Value; }
    int32_t GetLeftMargin() const { return LeftMargin; }
    virtual void SetLeftMargin(int32_t Value) { LeftMargin = Value; }
    int32_t GetRightMargin() const { return RightMargin; }
    virtual void SetRightMargin(int32_t Value) { RightMargin = Value; }
    // > 0: tab stops every that many blank widths; < 0: every that many pixels.
    int32_t GetTabStops() const { return TabStops; }
    virtual void SetTabStops(int32_t Value) { TabStops = Value; }
    // Whether the five format code bytes are interpreted; kept in the list.
    bool GetStaticFormat() const { return Paragraphs->StaticFormat; }
    virtual void SetStaticFormat(bool Value) { Paragraphs->StaticFormat = Value; }
    TKorvelOptions GetOptions() const { return Options; }
    virtual void SetOptions(TKorvelOptions Value) { Options = Value; }
    bool HasOption(TKorvelOption Option) const { return (Options & OptionBit(Option)) != 0; }

    // The characters that end words: reading lists them in ascending code
    // order; writing takes exactly the given ones together with LF and CR,
    // and the start/stop keys' word flags are derived again before the next
    // scan. Text already highlighted keeps its states until
    // ResetHighlighting (no setter here re-highlights by itself).
    std::string GetSeparators() const { return Separators.GetSeparators(); }
    virtual void SetSeparators(const std::string& Value);
    const TSeparatorSet& GetSeparatorSet() const { return Separators; }

    TFont& GetFont() { return Font; }
    const TFont& GetFont() const { return Font; }
    TFont& GetAltFont() { return AltFont; }
    const TFont& GetAltFont() const { return AltFont; }

    // --- Highlighting ---
    //
    // The setters below store their value and, for UpperCaseType, pass it to
    // both lists; as at run time, they never re-highlight by themselves (this
    // level has no design mode). After changing the lists, the separators,
    // the rule or these switches, call ResetHighlighting to have the text
    // scanned again.

    TKeywordList& GetKeywords() { return *Keywords; }
    const TKeywordList& GetKeywords() const { return *Keywords; }
    TStartStopKeyList& GetStartStopKeys() { return *StartStopKeys; }
    const TStartStopKeyList& GetStartStopKeys() const { return *StartStopKeys; }
    bool GetApplyKeyWords() const { return ApplyKeyWords; }
    virtual void SetApplyKeyWords(bool Value) { ApplyKeyWords = Value; }
    bool GetApplyStartStopKeys() const { return ApplyStartStopKeys; }
    virtual void SetApplyStartStopKeys(bool Value) { ApplyStartStopKeys = Value; }
    TkvUpperCase GetUpperCaseType() const { return UpperCaseType; }
    virtual void SetUpperCaseType(TkvUpperCase Value);
    // A highlighter shared with other controls, or none. The control joins
    // the new highlighter's clients and leaves the old one's; destroying
    // either side detaches them.
    TKorvelHighlighter* GetHighlighter() const { return Highlighter; }
    virtual void SetHighlighter(TKorvelHighlighter* Value);

    TParseEvent OnParse;

    THighlightEngine& GetHighlightEngine() { return *Engine; }

    // Throws every highlight state away: every paragraph loses its runs, its
    // start run and the flags pfFormatted, pfScanned and pfKeywords, and
    // ContextValidTo becomes -1; the states are rebuilt paragraph by
    // paragraph as they are highlighted again. Then HighlightingReset lets
    // the view re-lay out and repaint.
    void ResetHighlighting();
    // Brings the start/stop ranges of every paragraph up to Last up to date.
    void ScanStartStopUpTo(int32_t Last);
    // The highlighting step of formatting paragraph Index: its ranges are
    // brought up to date and, unless already done, its keywords applied
    // (when ApplyKeyWords is set or a highlighter is assigned).
    void HighlightParagraph(int32_t Index);

    // The store's part of replacing the text between SelStart and SelEnd
    // (SelStart at or before SelEnd; both usually registered) by Text (may be
    // null or empty): the highlight states at both ends are noted, the
    // paragraph list replaces the range, the upper-case cache and every other
    // registered navigator follow, and the change is re-highlighted, with
    // OnParse. Afterwards SelStart stands at the start and SelEnd at the end
    // of the new text (closing format codes included). Returns the change of
    // the display-line count. Replacing an empty range by nothing does
    // nothing. A paragraph that ends up joined to the tail of a later one
    // keeps pfScanned and pfKeywords only when both had them.
    int32_t ReplaceRangeAndRehighlight(TKorvelNavigator& SelStart, TKorvelNavigator& SelEnd,
                                       const char* Text, bool CloseFormats);

    // The update bracket's depth: while it is above 0, changed paragraphs are
    // only marked for highlighting, not highlighted at once.
    int32_t GetUpdateLock() const { return UpdateLock; }

    // View hooks, empty in the core. Highlighting changed the states of
    // paragraphs FirstPara .. LastPara, so positions cached for their display
    // lines may be stale.
    virtual void MarkLinePositionsStale(int32_t FirstPara, int32_t LastPara);
    // All highlighting was thrown away: re-lay out and repaint everything.
    virtual void HighlightingReset();

    // --- Measuring ---

    // The view's pixel metrics (read by layout, navigators and painting).
    TViewMetrics View;

    // The canvas text is measured on: the line bitmap while the control has
    // a window, none before (layout then gives every paragraph one line).
    TCanvas* GetCanvas() const { return Canvas; }
    void SetCanvas(TCanvas* Value) { Canvas = Value; }

    // The style text is drawn and measured in: a run with automatic
    // formatting decides alone (strike-out and highlight together mean the
    // special underline, bit 7); otherwise the code state toggles the
    // control font's own style.
    uint8_t EffectiveStyle(uint8_t CodeState, uint8_t RunFlags) const;
    // Selects the alternate font (bit 5) or the control font in the style's
    // bits 0..3.
    void SelectStyleFont(TCanvas& Target, uint8_t Style) const;
    // The width of Text[0 .. Length) in the selected font, measured in calls
    // of at most TextOutChunk bytes; a failed call counts 0.
    int32_t MeasureText(const TCanvas& Target, const char* Text, int32_t Length) const;

protected:
    int32_t UpdateLock = 0;

private:
    std::unique_ptr<TParagraphsList> Paragraphs;
    std::vector<TKorvelNavigator*> Navigators;
    std::unique_ptr<TKeywordList> Keywords;
    std::unique_ptr<TStartStopKeyList> StartStopKeys;
    std::unique_ptr<THighlightEngine> Engine;
    TKorvelHighlighter* Highlighter = nullptr;
    bool ApplyKeyWords = true;
    bool ApplyStartStopKeys = true;
    TkvUpperCase UpperCaseType = kvuAscii;

    bool WordWrap = true;
    TAlignment Alignment = taLeftJustify;
    bool Justified = false;
    int32_t ColumnWrap = 0;
    int32_t LeftMargin = 8;
    int32_t RightMargin = 8;
    int32_t TabStops = 8;
    TKorvelOptions Options = DefaultKorvelOptions;
    TSeparatorSet Separators;
    TFont Font;
    TFont AltFont;
    TCanvas* Canvas = nullptr;
};

} // namespace korvel
