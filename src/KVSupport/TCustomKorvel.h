#pragma once

#include "KVSupport/HighlightRun.h"
#include "KVSupport/KorvelTypes.h"
#include "KVSupport/THighlightClient.h"
#include "KVSupport/THighlightContext.h"
#include "KVSupport/TKeywordList.h"
#include "KVSupport/TLayoutSettings.h"
#include "KVSupport/TNavigatorHost.h"
#include "KVSupport/TParagraphsList.h"
#include "KVSupport/TSeparatorSet.h"
#include "KVSupport/TStartStopKeyList.h"
#include "KVSupport/TViewMetrics.h"
#include "KVSupport/UpperCaseRules.h"
#include "framework/ControlTypes.h"
#include "framework/TFont.h"
#include "framework/TObject.h"
#include "platform/TCanvas.h"
#include "platform/TCustomControl.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel {

class THighlightEngine;
class TKorvelHighlighter;
class TKorvelNavigator;

// The core of the editor control: the state that the text store, navigators,
// line breaking and highlighting work on. The control's public face, view and
// input (TKorvel) derive from it; code at this level never needs them.
//
// It owns the paragraph list (one empty paragraph after construction), the
// layout settings (TLayoutSettings) and the highlighting context
// (THighlightContext) that the algorithms below it read; as the navigators'
// host (TNavigatorHost) it keeps the register of navigators attached to it,
// so that every replacement can keep them in step. As a TCustomControl it
// can live in a window (a TControlHost), which the derived control uses for
// its view and input. The layout properties here have plain setters; the
// derived control re-lays out and repaints on top of them.
class TCustomKorvel : public TCustomControl, public TNavigatorHost, public THighlightClient {
public:
    TCustomKorvel();
    // Navigators still registered are detached (their control becomes none);
    // their owners free them.
    ~TCustomKorvel() override;
    using TNavigatorHost::GetLayout;
    using TNavigatorHost::GetParagraphsList;

    TCustomKorvel(const TCustomKorvel&) = delete;
    TCustomKorvel& operator=(const TCustomKorvel&) = delete;

    // --- The text ---

    int32_t GetTextLength() const { return Paragraphs->GetTextLength(); }
    int32_t GetParagraphCount() const { return Paragraphs->GetCount(); }
    int32_t GetLineCount() const { return Paragraphs->GetLineCount(); }

    // --- Layout and text properties ---

    bool GetWordWrap() const { return Layout.WordWrap; }
    virtual void SetWordWrap(bool Value) { Layout.WordWrap = Value; }
    TAlignment GetAlignment() const { return Layout.Alignment; }
    virtual void SetAlignment(TAlignment Value) { Layout.Alignment = Value; }
    bool GetJustified() const { return Layout.Justified; }
    virtual void SetJustified(bool Value) { Layout.Justified = Value; }
    // > 0: wrap at that many blank widths; < 0: at that many pixels; 0: at the window.
    int32_t GetColumnWrap() const { return Layout.ColumnWrap; }
    virtual void SetColumnWrap(int32_t Value) { Layout.ColumnWrap = Value; }
    int32_t GetLeftMargin() const { return Layout.LeftMargin; }
    virtual void SetLeftMargin(int32_t Value) { Layout.LeftMargin = Value; }
    int32_t GetRightMargin() const { return Layout.RightMargin; }
    virtual void SetRightMargin(int32_t Value) { Layout.RightMargin = Value; }
    // > 0: tab stops every that many blank widths; < 0: every that many pixels.
    int32_t GetTabStops() const { return Layout.TabStops; }
    virtual void SetTabStops(int32_t Value) { Layout.TabStops = Value; }
    // Whether the five format code bytes are interpreted; kept in the list.
    bool GetStaticFormat() const { return Paragraphs->GetStaticFormat(); }
    virtual void SetStaticFormat(bool Value) { Paragraphs->SetStaticFormat(Value); }
    TKorvelOptions GetOptions() const { return Options; }
    virtual void SetOptions(TKorvelOptions Value) { Options = Value; }
    bool HasOption(TKorvelOption Option) const { return (Options & OptionBit(Option)) != 0; }

    // The characters that end words: reading lists them in ascending code
    // order; writing takes exactly the given ones together with LF and CR,
    // and the start/stop keys' word flags are derived again before the next
    // scan. Text already highlighted keeps its states until
    // ResetHighlighting (no setter here re-highlights by itself).
    std::string GetSeparators() const { return Highlight.Separators.GetSeparators(); }
    virtual void SetSeparators(const std::string& Value);
    const TSeparatorSet& GetSeparatorSet() const { return Highlight.Separators; }

    TFont& GetFont() { return Layout.Font; }
    const TFont& GetFont() const { return Layout.Font; }
    TFont& GetAltFont() { return Layout.AltFont; }
    const TFont& GetAltFont() const { return Layout.AltFont; }

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
    bool GetApplyKeyWords() const { return Highlight.ApplyKeyWords; }
    virtual void SetApplyKeyWords(bool Value) { Highlight.ApplyKeyWords = Value; }
    bool GetApplyStartStopKeys() const { return Highlight.ApplyStartStopKeys; }
    virtual void SetApplyStartStopKeys(bool Value) { Highlight.ApplyStartStopKeys = Value; }
    TkvUpperCase GetUpperCaseType() const { return Highlight.UpperCaseType; }
    virtual void SetUpperCaseType(TkvUpperCase Value);
    // A highlighter shared with other controls, or none. The control joins
    // the new highlighter's clients and leaves the old one's; destroying
    // either side detaches them.
    TKorvelHighlighter* GetHighlighter() const { return Highlight.Highlighter; }
    virtual void SetHighlighter(TKorvelHighlighter* Value);
    // The highlighter is being destroyed: the control is left without one.
    void HighlighterDestroyed(TKorvelHighlighter* Highlighter) override;

    TParseEvent OnParse;

    THighlightEngine& GetHighlightEngine() { return *Engine; }
    // What the highlighting passes read (the lists, switches and hooks above).
    const THighlightContext& GetHighlightContext() const { return Highlight; }

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
    // paragraph list replaces the range (ReplaceBetween), and the change it
    // reports is handed to the upper-case cache, every other registered
    // navigator and the re-highlighting, with OnParse. Afterwards SelStart
    // stands at the start and SelEnd at the end of the new text (closing
    // format codes included). Returns the change; replacing an empty range
    // by nothing does nothing (an empty change). A paragraph that ends up
    // joined to the tail of a later one keeps pfScanned and pfKeywords only
    // when both had them.
    TTextChange ReplaceRangeAndRehighlight(TKorvelNavigator& SelStart, TKorvelNavigator& SelEnd,
                                           const char* Text, bool CloseFormats);

    // The update bracket's depth: while it is above 0, changed paragraphs are
    // only marked for highlighting, not highlighted at once.
    int32_t GetUpdateLock() const { return UpdateLock; }

    // View hooks, empty in the core; the control derived from this class
    // overrides them. Highlighting changed the states of paragraphs
    // FirstPara .. LastPara, so positions cached for their display lines may
    // be stale.
    virtual void MarkLinePositionsStale(int32_t FirstPara, int32_t LastPara);
    // All highlighting was thrown away: re-lay out and repaint everything.
    virtual void HighlightingReset();

    // --- Measuring ---

    // The layout settings line breaking and the navigators read, with the
    // view's pixel metrics and the measuring canvas (see TLayoutSettings).
    TViewMetrics& GetView() { return Layout.View; }
    const TViewMetrics& GetView() const { return Layout.View; }
    // The canvas text is measured on: the line bitmap while the control has
    // a window, none before (layout then gives every paragraph one line).
    TCanvas* GetCanvas() const { return Layout.Canvas; }
    void SetCanvas(TCanvas* Value) { Layout.Canvas = Value; }

protected:
    int32_t UpdateLock = 0;

private:
    std::unique_ptr<TParagraphsList> Paragraphs;
    std::unique_ptr<TKeywordList> Keywords;
    std::unique_ptr<TStartStopKeyList> StartStopKeys;
    TLayoutSettings Layout;
    THighlightContext Highlight;
    std::unique_ptr<THighlightEngine> Engine;
    TKorvelOptions Options = DefaultKorvelOptions;
};

} // namespace korvel
