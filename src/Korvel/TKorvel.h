#pragma once

#include "KVSupport/KorvelTypes.h"
#include "KVSupport/TCustomKorvel.h"
#include "KVSupport/TFormatScheduler.h"
#include "KVSupport/TFormatViewClient.h"
#include "KVSupport/TkvFormatThread.h"
#include "Korvel/TKorvelPainter.h"
#include "Korvel/TPaintSettings.h"
#include "Korvel/TUndoList.h"
#include "Korvel/TUndoRecording.h"
#include "Korvel/TViewState.h"
#include "framework/ControlTypes.h"
#include "framework/TColor.h"
#include "framework/TFont.h"
#include "framework/TObject.h"
#include "framework/TPen.h"
#include "framework/TPicture.h"
#include "framework/TPopupMenu.h"
#include "platform/TClipboard.h"
#include "platform/TCustomControl.h"
#include "platform/TMessage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class TFormatScheduler;
class TKorvelLinesStrings;
class TKorvelNavigator;
class TKorvelParaStrings;
class TLinesList;
class TOffscreenCanvas;
class TStream;
class TStrings;

// Raised by every replacement before anything changes; the handler may point
// Txt (NUL-terminated, may be null) at another text to insert, which must
// live until the replacement returns.
using TkvBeforeChangeEvent = std::function<void(TObject* Sender, const char*& Txt)>;
// A highlight with a context number was clicked: its number and range.
using TContextEvent =
    std::function<void(TObject* Sender, int32_t Context, int32_t StartOffset, int32_t StopOffset)>;

// The editor control: a window control that shows and edits a text of
// paragraphs with optional format codes, keyword and start/stop highlighting,
// and does its own layout, painting and input.
//
// This class is the public face. It owns the state: besides what the control
// core owns (the paragraph list, the keyword and start/stop lists, layout
// settings and highlighting), the nine navigators it creates, the display-line
// list, the pens, the alternate font, the background picture, the line bitmap
// (while it has a window), the formatting scheduler and its background
// "thread". Work with a topic of its own lives in collaborator classes; the
// operations applications call stay here.
//
// The window is reached only through the host (GetHost()); "live" below means
// that the window and its line bitmap exist.
class TKorvel : public TCustomKorvel, private TFormatViewClient {
public:
    // --- construction ---

    // An empty text (one empty paragraph), the caret at 0, the defaults of
    // every property. The first control creates the process-wide list of
    // controls destroyed while handling one of their own messages.
    TKorvel();
    // Stops the formatting thread, empties the store and frees what the
    // control owns; navigators created by others are detached (their owners
    // free them) and a shared highlighter forgets the control. A control
    // destroyed inside one of its own message handlers is recorded in the
    // process-wide list, so that the handler returns without touching it.
    ~TKorvel() override;

    TKorvel(const TKorvel&) = delete;
    TKorvel& operator=(const TKorvel&) = delete;

    // The number of controls alive.
    static int32_t GetInstanceCount();
    // The controls destroyed inside a message handler that is still running
    // (the handlers take them off the list when they return).
    static int32_t GetDestroyedInHandlerCount();

    // The navigators the control owns. CaretNav is one of the two selection
    // navigators (SelStartNav after construction).
    TKorvelNavigator& GetSelStartNav() { return *SelStartNav; }
    TKorvelNavigator& GetSelEndNav() { return *SelEndNav; }
    TKorvelNavigator& GetCaretNav() { return *CaretNav; }
    TKorvelNavigator& GetTopLineNavigator() { return *TopLineNavigator; }
    TKorvelNavigator& GetMouseNav() { return *MouseNav; }
    TKorvelNavigator& GetSpareNav() { return *SpareNav; }
    // Scratch navigators 0 .. 3 of the control's own operations.
    TKorvelNavigator& GetScratchNav(int32_t Index) { return *ScratchNavs[Index & 3]; }
    // The view on the display lines of one paragraph.
    TLinesList& GetLinesList() { return *LinesList; }

    // --- properties ---
    //
    // Each setter stores its value and then does what depends on it; a
    // setter that changes nothing does nothing. "Re-lays out" below means
    // RelayoutAll; it happens whenever lines wrap (word wrap, or right or
    // centred text, which the line breaker wraps at the window too).

    // Resets the horizontal offset; re-lays out when the change turns
    // wrapping on or off; with word wrap the caret and the window follow,
    // without it the top line is clamped.
    void SetAlignment(TAlignment Value) override;
    TBorderStyle GetBorderStyle() const { return BorderStyle; }
    // Re-creates the window so that the border applies.
    void SetBorderStyle(TBorderStyle Value);
    bool GetHideSelection() const { return HideSelection; }
    void SetHideSelection(bool Value);
    // From the two scroll-bar flags; a change re-creates the window, and
    // re-lays out when the vertical bar (and so the text width) changes
    // under word wrap.
    TScrollStyle GetScrollBars() const;
    void SetScrollBars(TScrollStyle Value);
    bool GetWantTabs() const { return WantTabs; }
    void SetWantTabs(bool Value) { WantTabs = Value; }
    void SetWordWrap(bool Value) override;
    // Assigns into the owned alternate font; re-lays out when lines wrap.
    void SetAltFont(const TFont& Value);
    // In the designer these two re-highlight at once.
    void SetApplyKeyWords(bool Value) override;
    void SetApplyStartStopKeys(bool Value) override;
    TPicture& GetBackgroundBmp() { return *BackgroundBmp; }
    const TPicture& GetBackgroundBmp() const { return *BackgroundBmp; }
    // Assigns into the owned picture (a change repaints the control).
    void SetBackgroundBmp(const TPicture& Value) { *BackgroundBmp = Value; }
    // The caret's width in pixels. Writing 0 makes it automatic: line height
    // div 14 + 1, following the line height. A focused control re-creates
    // its caret.
    int32_t GetCaretWidth() const;
    bool IsCaretWidthAutomatic() const { return AutoCaretWidth; }
    void SetCaretWidth(int32_t Value);
    void SetColumnWrap(int32_t Value) override;
    bool GetDisplayOnly() const { return DisplayOnly; }
    // A display-only control has no caret; switching while focused destroys
    // or creates it.
    void SetDisplayOnly(bool Value);
    bool GetEnableHotKeys() const { return EnableHotKeys; }
    void SetEnableHotKeys(bool Value) { EnableHotKeys = Value; }
    TPen& GetEndOfTextMark() { return *EndOfTextMark; }
    const TPen& GetEndOfTextMark() const { return *EndOfTextMark; }
    void SetEndOfTextMark(const TPen& Value) { *EndOfTextMark = Value; }
    TColor GetHighlightBackgnd() const { return HighlightBackgnd; }
    void SetHighlightBackgnd(TColor Value);
    TColor GetHighlightColor() const { return HighlightColor; }
    void SetHighlightColor(TColor Value);
    // In the designer (not while loading) re-highlights at once.
    void SetHighlighter(TKorvelHighlighter* Value) override;
    void SetJustified(bool Value) override;
    // Assigns the strings into the owned keyword list (plain keywords from
    // any other string list).
    void SetKeywords(const TStrings& Value);
    void SetLeftMargin(int32_t Value) override;
    TKorvelLineBreak GetLineBreak() const { return LineBreak; }
    void SetLineBreak(TKorvelLineBreak Value) { LineBreak = Value; }
    // 0 while the height follows the font in the designer; otherwise the
    // pixel height in use.
    int32_t GetLineHeight() const;
    // Above 65535 counts as 65535; 0 or less makes the height follow the
    // font. A live view keeps the same line at the top.
    void SetLineHeight(int32_t Value);
    bool IsLineHeightAutomatic() const { return AutoLineHeight; }
    int32_t GetMouseWheelFactor() const { return MouseWheelFactor; }
    void SetMouseWheelFactor(int32_t Value) { MouseWheelFactor = Value; }
    char GetNullReplacement() const { return NullReplacement; }
    void SetNullReplacement(char Value) { NullReplacement = Value; }
    // Switching kvoDiscardTrailingSpaces on reloads the text without its
    // trailing blanks (which empties the undo history and puts the caret
    // at 0).
    void SetOptions(TKorvelOptions Value) override;
    bool GetOverwrite() const { return Overwrite; }
    void SetOverwrite(bool Value);
    bool GetPassOverCodes() const { return PassOverCodes; }
    void SetPassOverCodes(bool Value) { PassOverCodes = Value; }
    int32_t GetProgressInterval() const override { return ProgressInterval; }
    void SetProgressInterval(int32_t Value) { ProgressInterval = Value; }
    // Blocks only the user's own editing (keys, mouse, the context menu's
    // Cut and Paste); every operation the program calls still works.
    bool GetReadOnly() const { return ReadOnly; }
    void SetReadOnly(bool Value) { ReadOnly = Value; }
    TPen& GetRightLinePen() { return *RightLinePen; }
    const TPen& GetRightLinePen() const { return *RightLinePen; }
    void SetRightLinePen(const TPen& Value) { *RightLinePen = Value; }
    int32_t GetRightLinePos() const { return RightLinePos; }
    void SetRightLinePos(int32_t Value);
    void SetRightMargin(int32_t Value) override;
    int32_t GetScrollTime() const { return ScrollTime; }
    void SetScrollTime(int32_t Value) { ScrollTime = Value; }
    TColor GetSelBackColor() const { return SelBackColor; }
    void SetSelBackColor(TColor Value);
    TColor GetSelTextColor() const { return SelTextColor; }
    void SetSelTextColor(TColor Value);
    // In the designer re-highlights at once.
    void SetSeparators(const std::string& Value) override;
    bool GetShowEndParSelected() const { return ShowEndParSelected; }
    void SetShowEndParSelected(bool Value) { ShowEndParSelected = Value; }
    TkvNonPrintChars GetShowNonPrintChars() const { return ShowNonPrintChars; }
    void SetShowNonPrintChars(TkvNonPrintChars Value);
    TPen& GetSpecUnderline() { return *SpecUnderline; }
    const TPen& GetSpecUnderline() const { return *SpecUnderline; }
    void SetSpecUnderline(const TPen& Value) { *SpecUnderline = Value; }
    // Reloads a non-empty text, so that its codes are read under the new
    // rule.
    void SetStaticFormat(bool Value) override;
    void SetTabStops(int32_t Value) override;
    // In the designer re-highlights at once.
    void SetUpperCaseType(TkvUpperCase Value) override;
    // A fixed text; writing it changes nothing.
    std::string GetVersion() const { return VersionText; }
    void SetVersion(const std::string& Value);

    // The text that Version reads.
    static constexpr const char* VersionText = "Korvel 1.0";

    // --- events ---

    // OnParse is the control core's. The inherited input events are the
    // base control's.
    TNotifyEvent OnChange;
    TkvBeforeChangeEvent OnBeforeChange;
    TContextEvent OnContext;
    TNotifyEvent OnStyleChange;
    TNotifyEvent OnSelMove;
    TNotifyEvent OnHScroll;
    TNotifyEvent OnVScroll;
    TNotifyEvent OnProgress;
    TMouseEvent OnAfterMouseDown;

    // --- text access and update bracket ---

    // The change notification: OnChange.
    virtual void Change();
    // The update bracket: while it is open, changes are collected and laid
    // out once at the outermost EndUpdate; an EndUpdate without a
    // BeginUpdate still lays out.
    void BeginUpdate() { ++UpdateLock; }
    void EndUpdate();
    // Whether an update bracket is open.
    bool IsUpdating() const { return UpdateLock > 0; }
    // Replaces the whole text by the stream's content from its position on.
    // The undo history is emptied and the caret put at 0; when reading
    // fails, the control is left consistent (with what was read) and the
    // error propagates without OnChange.
    virtual void LoadFromStream(TStream& Stream);
    // Writes the whole text, paragraphs joined by LineBreak.
    virtual void SaveToStream(TStream& Stream);
    // Cancelling format-code pairs are left out when the text is saved, and
    // pairs enclosing nothing are removed after each replacement.
    bool CompactCodes = true;

    // The whole text: the paragraphs joined by CR LF, codes as stored.
    std::string GetAllText();
    // The characters from Start to Stop (clamped to the text), breaks as
    // CR LF; empty unless Start < Stop.
    std::string GetTextRange(int32_t Start, int32_t Stop);
    // Selects everything and replaces it by Text (null: nothing).
    void SetAllText(const char* Text);
    void SetAllText(const std::string& Text) { SetAllText(Text.c_str()); }
    // Replaces everything by nothing: one undoable replacement.
    void Clear();
    // The raw characters of paragraph Index (codes included); ERangeError
    // "List index out of bounds" outside the paragraphs.
    std::string GetParText(int32_t Index) const;
    // Replaces the characters of paragraph Index (not its break) by Text,
    // appending empty paragraphs first when Index lies beyond the last. The
    // caret and selection stay on their text unless they lay in paragraph
    // Index, whose start then takes the caret. A negative Index raises
    // ERangeError "List index out of bounds".
    void SetParText(int32_t Index, const std::string& Text);
    // The characters of display line Index without its break, formatting
    // paragraphs up to it when needed; empty outside the lines.
    std::string GetLineText(int32_t Index);

    // --- string views ---

    // One string per display line; the text a form description stores.
    TKorvelLinesStrings& GetLines() { return *LinesView; }
    const TKorvelLinesStrings& GetLines() const { return *LinesView; }
    // Loads the strings of Value (see TKorvelStrings::Assign).
    void SetLines(const TStrings& Value);
    // One string per paragraph.
    TKorvelParaStrings& GetParagraphs() { return *ParagraphsView; }

    // --- selection and replacement ---
    //
    // The selection runs from SelStartNav to SelEndNav; the caret is at one
    // end (CaretNav) and the signed SelLength reaches from it to the other
    // end: positive when the caret is at the start. Offsets and lengths are
    // clamped to the text.

    // The one replacement operation: the selection becomes Text (null:
    // nothing). OnBeforeChange may substitute the text; a column block is
    // deleted piece by piece before the text goes in at the caret. Afterwards
    // nothing is selected and the caret stands after the new text. "Text too
    // long" is raised before anything changes.
    virtual void SetSelTextBuf(const char* Text);
    // Signed: negative when the caret stands at the selection's end.
    int32_t GetSelLength() const { return SelLength; }
    // Extends or shrinks the selection from the caret by Len (clamped);
    // leaves a column block.
    void SetSelLength(int32_t Len);
    // The caret's offset.
    int32_t GetSelStart() const;
    // Caret to Offset (clamped), nothing selected.
    void SetSelStart(int32_t Offset);
    // Everything selected, the caret at the end.
    void SelectAll();
    // The selected text (breaks as CR LF), or the block text of a column
    // block.
    std::string GetSelText();
    // Copies up to Size - 1 selected characters and a 0 byte into Buffer;
    // returns the number of characters copied.
    int32_t GetSelTextBuf(char* Buffer, int32_t Size);
    // SetSelTextBuf, with the blanks between the line end and a caret beyond
    // it put first when kvoPutExtraSpaces is set.
    void SetSelText(const std::string& Text);
    void ClearSelection() { SetSelText(std::string()); }
    // A column block from column StartCol of paragraph StartPar to column
    // EndCol of EndPar (the caret's end); ignored while WordWrap is on.
    void SelectBlock(int32_t StartCol, int32_t StartPar, int32_t EndPar, int32_t EndCol);
    // One line per paragraph of a column block, each followed by CR LF;
    // empty without a block.
    std::string GetBlockText();
    bool GetBlockActive() const { return BlockActive; }
    int32_t GetBlockCol1() const { return BlockCol1; }
    int32_t GetBlockCol2() const { return BlockCol2; }
    // Blank columns by which the caret stands beyond the end of its line.
    int32_t GetExtraColumns() const { return ExtraColumns; }
    // Set by every selection change: the next recorded replacement opens a
    // new undo record.
    bool GetNoUndoMerge() const { return NoUndoMerge; }
    void SetNoUndoMerge(bool Value) { NoUndoMerge = Value; }

    // Insert a pair of format codes around the selection (or, with nothing
    // selected, an empty pair with the caret between); StaticFormat only.
    void ToggleItalic() { InsertFormatPair(0x01); }
    void ToggleBold() { InsertFormatPair(0x02); }
    void ToggleHighlight() { InsertFormatPair(0x03); }
    void ToggleAltFont() { InsertFormatPair(0x04); }
    void ToggleUnderline() { InsertFormatPair(0x15); }
    void InsertFormatPair(uint8_t Code);

    // Caret to the start of paragraph Index (clamped).
    void SetCaretPar(int32_t Index);
    int32_t GetCaretPar();
    // Caret Offset characters into its display line (at most its end; with
    // kvoKeepColumnPos and no word wrap the shortfall becomes ExtraColumns).
    void SetCaretLineOffset(int32_t Offset);
    // The caret's offset in its display line, ExtraColumns included.
    int32_t GetCaretLineOffset();
    // Caret to the start of display line Index, formatting paragraphs up to
    // it first.
    void SetCaretLine(int32_t Index);
    int32_t GetCaretLine();
    // Offset of the first character of paragraph Index (clamped).
    int32_t ParagraphStart(int32_t Index) const;
    // The style byte in force at the caret (codes and highlighting).
    uint8_t GetStyleAtCaret();

    // The insertion of typed or pasted text with kvoNoOverwriteBlocks:
    // before it the selection is dropped, or with kvoPersistentBlocks saved
    // (and the update bracket opened); after it a saved selection or block
    // is selected again around the moved text, the caret staying after the
    // inserted text. Without kvoNoOverwriteBlocks both do nothing.
    void PrepareNoOverwriteInsert();
    void FinishNoOverwriteInsert();

    // Where replacements hand their undo information: the control's own
    // history unless another recorder is installed (null: a fresh history).
    TUndoRecording& GetUndoRecording() { return *UndoRecording; }
    void SetUndoRecording(std::unique_ptr<TUndoRecording> Value);

    // --- clipboard ---

    // The clipboard the control copies to and pastes from: the one set
    // here, else its window's. "No clipboard" when it has neither.
    TClipboard& GetClipboard();
    // Null: the window's clipboard again. The clipboard must outlive the
    // control or be unset first.
    void SetClipboard(TClipboard* Value) { Clipboard = Value; }
    // The process-wide number of the column-block format, registered the
    // first time it is needed.
    static TClipboardFormat RegisterBlockFormat();
    // The selection (stream text, or the block text of a column block) to
    // the clipboard; a column block is marked with the block format. Does
    // nothing when nothing is selected.
    void CopyToClipboard();
    // Copy, then the selection deleted as one replacement.
    void CutToClipboard();
    // The clipboard's text replaces the selection, or, with
    // kvoBlockSelection and a block marker, goes in as a column block at
    // the caret's column.
    void PasteFromClipboard();
    // Text, one line per paragraph from the caret's paragraph on, each line
    // at the caret's column (short paragraphs padded with blanks, missing
    // ones appended), all in one replacement and one undo step: a failure
    // changes no text.
    void InsertColumnBlock(const std::string& Text);

    // --- undo ---

    // Undoes the last step (and the steps grouped with it).
    void Undo();
    // Redoes the next step (and the steps grouped with it).
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    // Forgets every step.
    void ClearUndo();
    // The last step is undone and redone together with the one before it
    // (a drag-and-drop move: its insertion with its deletion).
    void GroupUndoWithPrevious();
    // The history (null while another recorder is installed).
    TUndoList* GetUndoList() { return UndoList; }
    int32_t GetUndoMaxLevel() const { return UndoMaxLevel; }
    // Trims the history to Value steps; 0 or less switches recording off.
    // "Undo set too high" above 134217727.
    void SetUndoMaxLevel(int32_t Value);
    int32_t GetUndoMaxSpace() const { return UndoMaxSpace; }
    // The memory budget in bytes: each step costs its replaced text + 13.
    void SetUndoMaxSpace(int32_t Value);

    // --- context menu and integrity ---

    // The control's own context menu, created on first need (null before).
    TPopupMenu* GetDefaultPopup() { return DefaultPopup.get(); }
    void CreateDefaultPopup();
    // Opening the menu (Sender the menu) sets its items' enabled states;
    // an item (Sender the item) runs its action.
    void PopupHandler(TObject* Sender);
    // Shows the default menu at the client point, unless the application
    // gave the control a menu of its own or kvoNoDefaultPopup is set. True
    // when it was shown.
    bool ShowDefaultPopup(TPoint ClientPos);
    // Walks the paragraphs and their display lines and raises Exception
    // "Error 1" .. "Error 6 in <Version>" at the first inconsistency.
    void CheckIntegrity();

    // --- formatting ---

    TkvUpdateMode GetUpdateMode() const { return UpdateMode; }
    // A different mode stops the formatting thread; with a live view (not in
    // the designer) umImmediate formats everything pending now and
    // umBackground starts a thread, running when work is pending.
    void SetUpdateMode(TkvUpdateMode Value);
    // Formats paragraphs First .. Last now (see TFormatScheduler).
    void FormatParagraphs(int32_t First, int32_t Last, bool WithProgress, bool Force);
    // Formats one paragraph; its line count and the change of it.
    TParagraphFormat FormatParagraph(int32_t Index);
    // One background step (the handler of WM_USER + 1).
    void FormatStep();
    // Throws every highlight state away, re-lays out and repaints.
    using TCustomKorvel::ResetHighlighting;
    // Stops and frees the formatting thread without its terminate callback.
    void StopFormatThread();
    TkvFormatThread* GetFormatThread() const { return FormatThread.get(); }
    TkvThreadState GetFormatThreadState() const;
    uint32_t GetLastProgressTick() const;
    // Painting is suppressed while a range of paragraphs is formatted.
    bool GetPaintSuppressed() const override { return PaintSuppressed; }

    // --- view and scrolling ---

    // Forgets the widest line and marks every paragraph for formatting, or
    // formats them all at once, by UpdateMode (nothing while the control is
    // being read or an update bracket is open). Resumes the formatting
    // thread in background mode. When lines are not wrapped, every
    // paragraph is left with one display line at once, so that display line
    // L is paragraph L as the navigators assume.
    void RelayoutAll();
    // The view is live: the window and its line bitmap exist.
    bool IsViewLive() const { return LineBitmap != nullptr; }
    int32_t GetTopPixel() const { return GetView().TopPixel; }
    int32_t GetLeftPixel() const { return GetView().LeftPixel; }
    int32_t GetLineHeightPx() const { return GetView().LineHeightPx; }
    int32_t GetTextWidth() const { return GetView().TextWidth; }
    int32_t GetVertUnit() const { return VertUnit; }
    int32_t GetHorzUnit() const { return HorzUnit; }
    // Client height div line height, + 1 (1 while the line height is 0).
    int32_t GetVisibleLines() const { return ViewState.VisibleLines; }
    // The caret's top-left corner in client coordinates.
    int32_t GetCaretX() const { return ViewState.CaretX; }
    int32_t GetCaretY() const { return ViewState.CaretY; }
    int32_t GetPreferredX() const { return PreferredX; }
    // The largest vertical offset paging, the wheel and resizing go to:
    // the text height - client height + 3, at least 0.
    int32_t MaxTopPixel() const;
    // The width the system caret is created with.
    int32_t CaretDisplayWidth();

    // The one routine that changes the offsets: the caret and the scroll
    // bars follow, the window contents move (animated over Time ms when
    // Time is not 0: > 0 slowing down, < 0 at constant speed; at once for
    // rapid user scrolling), then OnHScroll and OnVScroll fire. Without a
    // live view only the offsets are stored.
    void ScrollTo(int32_t Top, int32_t Left, int32_t Time);
    void SetTopPixel(int32_t Pixel);
    void SetTopLine(int32_t Line);
    // The first display line at least partly shown.
    int32_t GetTopLine();
    void SetLeftPixel(int32_t Pixel);
    // Scrolls so that the caret is shown: horizontally in steps of five
    // blanks, vertically to put its line at the top or flush with the
    // bottom edge.
    void ScrollInView();
    // Computes the caret's position again, re-creates the system caret when
    // asked (or for the wide overwrite caret), moves it, and fires OnSelMove
    // and OnStyleChange when the position or the style at the caret changed.
    void UpdateCaret(bool Recreate);
    // Moves the system caret to the stored position.
    void PlaceCaret();
    // Shows lines up to the bottom: the top line drops so that the text end
    // is not above the window's bottom, then everything is repainted.
    void ClampTopLine();
    // Units, range and page of each bar from the text size; the vertical
    // one also takes the new client width and reports whether it changed
    // (lines wrapped at the window are then laid out again).
    void UpdateHorzScrollBar();
    bool UpdateVertScrollBar();
    // Line height, baseline, underline, blank width and output chunk from
    // the control font.
    void ComputeFontMetrics();
    // The font changed: metrics, layout, offsets, bars and caret anew.
    void ApplyFont();
    // Lays out the change the text store recorded: formats the changed
    // paragraphs in view, moves the window contents below them, repairs the
    // bars and the caret, invalidates the changed lines and fires OnChange.
    void UpdateAfterChange();
    // Invalidates the window strip of display lines A .. B (either order).
    void InvalidateLines(int32_t A, int32_t B, bool Erase);

    // --- painting ---

    // The properties painting reads, as they are now.
    const TPaintSettings& GetPaintSettings();

    // --- input ---

    // Around an edit that must not replace the selection: with
    // kvoPersistentBlocks the selection (and a column block's columns) is
    // remembered, the selection collapses onto the caret and the update
    // bracket opens; RestoreBlock selects the remembered text again with the
    // caret after the edit. Without kvoPersistentBlocks ProtectBlock only
    // collapses the selection and RestoreBlock does nothing.
    void ProtectBlock();
    void RestoreBlock();
    // The blanks that line the caret up with the start of the next word of
    // the nearest earlier paragraph reaching past the caret's column ("\t"
    // with word wrap, empty when there is no such paragraph).
    std::string SmartTabText();
    // A left-button drag of the selection is running.
    bool IsDragging() const { return Dragging; }
    int32_t GetHoverLine() const { return HoverLine; }
    int32_t GetAutoScrollDir() const { return AutoScrollDir; }

    // --- window messages ---

    // The message nesting guard around the control's own dispatch.
    void WndProc(TMessage& Message) override;
    // Scroll bars and the border, from ScrollBars, BorderStyle and Ctl3D.
    void CreateParams(TCreateParams& Params) override;
    // Sets up the view (line bitmap, formatting thread, layout, offsets).
    void HandleCreated() override;
    // Frees the line bitmap and stops the formatting thread.
    void HandleDestroying() override;

protected:
    // --- construction ---

    // Reading the control from a form description ended: the undo history
    // is emptied and highlighting reset when keywords, start/stop keys or a
    // highlighter apply.
    void Loaded() override;

    // --- painting ---

    // Paints the update rectangle through the painter; nothing while
    // formatting runs or the update bracket is held (the area is painted
    // when that ends).
    void PaintWindow(TCanvas& Canvas, const TRect& UpdateRect) override;

    // --- window messages ---

    // The client area changed size: bars, layout and offsets follow.
    void ClientResized(TSize Size) override;
    // Scrolls by the wheel, then fires OnMouseWheel; always handled.
    bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) override;

    // --- input ---

    // Caret moves, deletion, the Insert key and the hot keys.
    void KeyDown(uint16_t& Key, TShiftState Shift) override;
    // Typed characters, Tab, Enter and the control-character shortcuts.
    void KeyPress(char& Key) override;
    // Ends the copy-cursor feedback of a drag.
    void KeyUp(uint16_t& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void DblClick() override;

private:
    // --- construction ---

    // Empties the paragraph list, resets the selection and scratch
    // navigators, drops the upper-cased paragraph and the undo history.
    void ResetStore();

    // --- properties ---

    // Re-reads the whole text through a memory stream.
    void Reload();
    void InvalidateSelection();
    // Lines are wrapped (word wrap, or right or centred text).
    bool LinesWrap() const { return !GetLayout().OneLinePerParagraph(); }
    void RelayoutIfWrapping();
    void RecreateCaret(int32_t Height);

    // --- formatting ---

    // The TFormatViewClient side.
    const TClock& GetFormatClock() const override;
    bool IsUpdateLocked() const override { return UpdateLock > 0; }
    bool HasProgressHandler() const override { return static_cast<bool>(OnProgress); }
    void ReportProgress() override;
    void SetPaintSuppressed(bool Value) override;
    int32_t GetCaretParagraph() override;
    void CaretLineUnknown() override;
    bool IsCaretLineUnknown() const override;
    void PlaceCaretAgain() override;
    void MarkLinePositionsStale(int32_t FirstPara, int32_t LastPara) override;
    void KeepTopOnSameText() override;
    bool UpdateScrollBarsForLines() override;
    void WidestLineChanged() override;
    void SuspendFormatThread() override;
    // Highlighting was thrown away: re-lay out and repaint.
    void HighlightingReset() override;

    void CreateFormatThread();
    void ResumeFormatThread();
    // The handler of the thread's step message.
    void FormatStepMessage();
    // The thread's terminate callback: "FormTerm" to the debug output.
    void FormatThreadDone(TkvFormatThread* Thread);

    // --- window messages ---

    void DispatchMessage(TMessage& Message);
    void FocusEnter();
    void FocusExit();
    void WMHScroll(TMessage& Message);
    void WMVScroll(TMessage& Message);
    // Whether the control with this serial was destroyed inside a handler
    // that is still running (so that nothing of it may be touched).
    static bool WasDestroyed(uint64_t ControlSerial);

    // --- construction ---

    std::unique_ptr<TPicture> BackgroundBmp;
    std::unique_ptr<TKorvelNavigator> TopLineNavigator;
    std::unique_ptr<TKorvelNavigator> SelStartNav;
    std::unique_ptr<TKorvelNavigator> SelEndNav;
    TKorvelNavigator* CaretNav = nullptr;
    std::unique_ptr<TKorvelNavigator> SpareNav;
    std::unique_ptr<TKorvelNavigator> ScratchNavs[4];
    std::unique_ptr<TKorvelNavigator> MouseNav;
    std::unique_ptr<TPen> EndOfTextMark;
    std::unique_ptr<TPen> RightLinePen;
    std::unique_ptr<TPen> SpecUnderline;
    std::unique_ptr<TLinesList> LinesList;
    // This control among all (its address may be reused after it is gone).
    uint64_t Serial;

    // --- properties ---

    TBorderStyle BorderStyle = bsSingle;
    bool HideSelection = true;
    bool WantTabs = true;
    int32_t CaretWidth = 1;
    bool AutoCaretWidth = false;
    bool DisplayOnly = false;
    bool EnableHotKeys = true;
    TColor HighlightBackgnd = clWindow;
    TColor HighlightColor = clRed;
    TKorvelLineBreak LineBreak = kbCRLF;
    int32_t MouseWheelFactor = -1;
    char NullReplacement = '\0';
    bool Overwrite = false;
    bool PassOverCodes = true;
    int32_t ProgressInterval = 300;
    bool ReadOnly = false;
    int32_t RightLinePos = 0;
    int32_t ScrollTime = 300;
    TColor SelBackColor = clHighlight;
    TColor SelTextColor = clHighlightText;
    bool ShowEndParSelected = true;
    TkvNonPrintChars ShowNonPrintChars = 0;

    // --- selection and replacement ---

    // The format-code tidying of paragraphs First .. Last.
    void TidyCodes(int32_t First, int32_t Last);
    // Deletes the one character at Offset as a replacement of its own.
    void DeleteCodeAt(int32_t Offset);
    // Deletes the pieces of the column block, one replacement a paragraph.
    void DeleteColumnBlock();
    // The replacement of a column paste: Lines (at least one) at the caret's
    // column from the selection start's paragraph on.
    void ReplaceByColumnLines(const std::vector<std::string_view>& Lines);
    // "Text too long" when replacing the selection (Removed characters) by
    // Text could take the text beyond the 32-bit range.
    void CheckReplacementFits(const char* Text, int32_t Removed) const;
    // The navigator positioned at the start of display line Index (clamped
    // to the lines), formatting paragraphs up to it first when needed.
    TKorvelNavigator& NavigatorOnLine(int32_t Index);

    int32_t SelLength = 0;
    bool BlockActive = false;
    int32_t BlockCol1 = 0;
    int32_t BlockCol2 = 0;
    bool NoUndoMerge = false;
    // No closing codes are added while this is set.
    bool RawMode = false;
    bool TidySuppressed = false;
    std::unique_ptr<TUndoRecording> UndoRecording;
    // A persistent selection saved around an insertion: its anchor and caret
    // ends, and for a column block the columns beyond each end's line offset.
    struct TSavedBlock {
        std::unique_ptr<TKorvelNavigator> Anchor;
        std::unique_ptr<TKorvelNavigator> Caret;
        bool Column = false;
        int32_t AnchorColumnDelta = 0;
        int32_t CaretColumnDelta = 0;
    };
    std::unique_ptr<TSavedBlock> SavedBlock;

    // --- string views ---

    std::unique_ptr<TKorvelLinesStrings> LinesView;
    std::unique_ptr<TKorvelParaStrings> ParagraphsView;

    // --- clipboard ---

    TClipboard* Clipboard = nullptr;

    // --- undo ---

    int32_t UndoMaxLevel = 1024;
    int32_t UndoMaxSpace = 65536;
    // The installed recorder when it is the control's own history.
    TUndoList* UndoList = nullptr;
    // Replays record Index of the history (undo or redo of it).
    void ReplayUndoRecord(int32_t Index);

    // --- context menu and integrity ---

    std::unique_ptr<TPopupMenu> DefaultPopup;

    // --- formatting ---

    TkvUpdateMode UpdateMode = umBackground;
    std::unique_ptr<TFormatScheduler> Scheduler;
    std::unique_ptr<TkvFormatThread> FormatThread;
    bool PaintSuppressed = false;

    // --- view and scrolling ---

    // A PreferredX that means none.
    static constexpr int32_t NoPreferredX = INT32_MIN;

    bool AutoLineHeight = true;
    bool HasHorzBar = false;
    bool HasVertBar = true;
    int32_t VertUnit = 1;
    int32_t HorzUnit = 1;
    int32_t ExtraColumns = 0;
    int32_t PreferredX = NoPreferredX;
    int32_t CharUnderCaretWidth = 0;
    std::unique_ptr<TOffscreenCanvas> LineBitmap;
    TViewState ViewState;

    // The text y of the top of display line Line.
    int64_t LinePixels(int32_t Line) const { return int64_t{Line} * GetView().LineHeightPx; }
    // Formats paragraph Index if it is not (range formatting of one).
    void FormatIfNeeded(int32_t Index);
    // Moves the top navigator to the line at the top pixel.
    void PlaceTopLineNavigator();
    // Scrolls the window contents by Dx, Dy, or invalidates everything when
    // a distance leaves the 16-bit range.
    void ScrollWindowBy(int32_t Dx, int32_t Dy);
    // The animated part of ScrollTo: from the offsets now to Top, Left.
    void AnimateScroll(int32_t Top, int32_t Left, int32_t Time);
    // Brings every paragraph to one display line (lines not wrapped).
    void CollapseToOneLinePerParagraph();
    // Measures the widest paragraph again (lines not wrapped).
    void FindWidestParagraph();
    // The repair of UpdateAfterChange for a pending change.
    void RepairPendingChange();
    // A paint that was suppressed is asked for again.
    void RepaintMissed();

    // --- painting ---

    TPaintSettings PaintSettings;
    std::unique_ptr<TKorvelPainter> Painter;

    // --- input ---

    // The keyboard side.
    void DisplayOnlyKey(uint16_t Key, TShiftState Shift);
    // True when the key was a hot key (it then ran).
    bool HotKey(uint16_t Key, TShiftState Shift);
    void EditKey(uint16_t& Key, TShiftState Shift);
    bool MoveLeft(TShiftState Shift);
    void MoveRight(TShiftState Shift);
    void VerticalMove(int32_t Line, TShiftState Shift);
    void UpdateSelectionAfterMove(TShiftState Shift, int32_t OldCaretLine);
    void Backspace(TShiftState Shift);
    void DeleteKey(TShiftState Shift);
    void EnterKey();
    void TypeChar(char Key);
    // The indentation (leading blanks and tabs) of display line Line.
    int32_t LineIndent(int32_t Line);
    // Nothing selected, the caret at Target (selection lines repainted).
    void CollapseOnto(TKorvelNavigator& Target);
    // The selection from the offset Anchor to Target, the caret at Target.
    void SelectFromAnchor(int32_t Anchor, TKorvelNavigator& Target);
    bool AtParEnd(TKorvelNavigator& Nav);
    // The caret's column as column blocks count it: character cells from the
    // paragraph's start (tabs expanded) plus the columns in virtual space.
    int32_t CaretColumn();

    // The pointer side.
    bool PointerOverControl() const;
    bool SetPointerPosition(int32_t X, int32_t Y);
    // Client y just below the last display line.
    int64_t TextBottom() const;
    void PointerFeedback(int32_t X, int32_t Y);
    void PointerDrag(TShiftState Shift, int32_t X, int32_t Y);
    void PointerLineSelect();
    void PointerSelect(int32_t X);
    void PointerWordSelect();
    void AutoScroll();
    void DropSelection(TShiftState Shift);
    // A click on a run with a context number: OnContext; true when it was one.
    bool ContextClick();
    void ShowSavedCursor();

    // The navigator every key move puts the new caret position in first
    // (the scratch navigator that only a replacement uses otherwise).
    TKorvelNavigator& TargetNav() { return *ScratchNavs[1]; }
    // Set by a key release; a key press that finds it cleared repaints at
    // once (the key repeats while held).
    bool KeyReleased = false;

    // The display line the pointer hovers in the line-selection margin, -1
    // when none.
    int32_t HoverLine = -1;
    int32_t MouseDownPos = 0;
    bool ButtonDown = false;
    bool WordSelecting = false;
    bool Dragging = false;
    bool DragOutside = false;
    bool OverSelection = false;
    bool RunCursorShown = false;
    TCursor SavedCursor = crDefault;
    // 0 none, 1 up, 2 down, 3 left, 4 right.
    int32_t AutoScrollDir = 0;
    int32_t AutoScrollSpeed = 0;
    TPoint LastPointer;

    // --- window messages ---

    int32_t MessageNesting = 0;
};

} // namespace korvel
