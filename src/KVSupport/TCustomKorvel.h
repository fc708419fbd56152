#pragma once

#include "KVSupport/KorvelTypes.h"
#include "KVSupport/TParagraphsList.h"
#include "KVSupport/TSeparatorSet.h"
#include "KVSupport/TViewMetrics.h"
#include "framework/ControlTypes.h"
#include "framework/TFont.h"
#include "framework/TObject.h"
#include "platform/TCanvas.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel {

class TKorvelNavigator;

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
    // order; writing takes exactly the given ones together with LF and CR.
    std::string GetSeparators() const { return Separators.GetSeparators(); }
    virtual void SetSeparators(const std::string& Value) { Separators.SetSeparators(Value); }
    const TSeparatorSet& GetSeparatorSet() const { return Separators; }

    TFont& GetFont() { return Font; }
    const TFont& GetFont() const { return Font; }
    TFont& GetAltFont() { return AltFont; }
    const TFont& GetAltFont() const { return AltFont; }

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

private:
    std::unique_ptr<TParagraphsList> Paragraphs;
    std::vector<TKorvelNavigator*> Navigators;

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
