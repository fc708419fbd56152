#include "Korvel/TKorvel.h"

#include "KVSupport/TFormatScheduler.h"
#include "KVSupport/THighlightEngine.h"
#include "KVSupport/TKorvelNavigator.h"
#include "KVSupport/TLinesList.h"
#include "Korvel/TKorvelStrings.h"
#include "framework/TMemoryStream.h"
#include "framework/TStrings.h"
#include "platform/TClock.h"
#include "platform/TControlHost.h"
#include "platform/TOffscreenCanvas.h"
#include "platform/WindowsCodes.h"

#include <algorithm>
#include <vector>

namespace korvel {

namespace {

// A control destroyed while Levels of its own message handlers were still
// running; each handler takes one level off as it returns.
struct TDestroyedEntry {
    uint64_t Serial;
    int32_t Levels;
};

std::vector<TDestroyedEntry>& DestroyedInHandler() {
    static std::vector<TDestroyedEntry> List;
    return List;
}

int32_t InstanceCount = 0;
uint64_t NextSerial = 1;

// True when the control of Serial was destroyed during the handler that is
// returning now; the outermost such handler removes its entry.
bool DestroyedDuringHandler(uint64_t Serial) {
    std::vector<TDestroyedEntry>& List = DestroyedInHandler();
    const auto Found = std::find_if(List.begin(), List.end(), [Serial](const TDestroyedEntry& E) {
        return E.Serial == Serial;
    });
    if (Found == List.end())
        return false;
    if (--Found->Levels <= 0)
        List.erase(Found);
    return true;
}

// True when the control of Serial was destroyed by a handler that is still
// running (an event fired from inside one of its messages).
bool IsDestroyedInHandler(uint64_t Serial) {
    const std::vector<TDestroyedEntry>& List = DestroyedInHandler();
    return std::any_of(List.begin(), List.end(),
                       [Serial](const TDestroyedEntry& E) { return E.Serial == Serial; });
}

// Stores Value into Field; true when that changed it.
template <class T>
bool StoreIfChanged(T& Field, const T& Value) {
    if (Field == Value)
        return false;
    Field = Value;
    return true;
}

constexpr TKorvelOptions SelectionPaintOptions =
    OptionBit(kvoWindowsSelColors) | OptionBit(kvoFullLineSelect);

} // namespace

// --- construction ---

TKorvel::TKorvel() : Serial(NextSerial++) {
    BackgroundBmp = std::make_unique<TPicture>();
    BackgroundBmp->OnChange = [this](TObject*) { Invalidate(); };
    TNavigatorHost& Host = *this;
    TopLineNavigator = std::make_unique<TKorvelNavigator>(Host);
    SelStartNav = std::make_unique<TKorvelNavigator>(Host);
    SelEndNav = std::make_unique<TKorvelNavigator>(Host);
    CaretNav = SelStartNav.get();
    SpareNav = std::make_unique<TKorvelNavigator>(Host);
    for (auto& Scratch : ScratchNavs)
        Scratch = std::make_unique<TKorvelNavigator>(Host);
    MouseNav = std::make_unique<TKorvelNavigator>(Host);
    // The first control creates the list of controls destroyed in their
    // own handlers; it lives as long as the process, so that a handler of
    // the last control can still look itself up.
    if (InstanceCount++ == 0)
        DestroyedInHandler();

    EndOfTextMark = std::make_unique<TPen>(clRed, 1, psSolid);
    RightLinePen = std::make_unique<TPen>(clGray, 1, psDot);
    SpecUnderline = std::make_unique<TPen>(clRed, 1, psSolid);
    for (TPen* Pen : {EndOfTextMark.get(), RightLinePen.get(), SpecUnderline.get()})
        Pen->OnChange = [this](TObject*) { Invalidate(); };
    LinesList = std::make_unique<TLinesList>();
    LinesView = std::make_unique<TKorvelLinesStrings>(*this);
    ParagraphsView = std::make_unique<TKorvelParaStrings>(*this);
    SetUndoRecording(nullptr);
    Scheduler =
        std::make_unique<TFormatScheduler>(GetParagraphsList(), GetLayout(), GetHighlightEngine(),
                                           static_cast<TFormatViewClient&>(*this));

    GetView().SpaceWidth = 1;
    GetView().TextOutChunk = 4096;
    SetCursor(crIBeam);
    SetParentColor(false);
    SetParentFont(false);
    GetFont().SetName("Arial");
    SetColor(clWindow);
    SetBounds(GetLeft(), GetTop(), 100, 60);
    SetTabStop(true);
    GetFont().OnChange = [this](TObject*) {
        TMessage Message = TMessage::Plain(CM_FONTCHANGED);
        Perform(Message);
    };
}

TKorvel::~TKorvel() {
    if (MessageNesting > 0)
        DestroyedInHandler().push_back({Serial, MessageNesting});
    StopFormatThread();
    ResetStore();
    --InstanceCount;
    SelLength = 0;
    GetFont().OnChange = nullptr;
    // The owned objects follow as members; the control core then detaches
    // the navigators of others and leaves the highlighter's clients.
}

int32_t TKorvel::GetInstanceCount() {
    return InstanceCount;
}

int32_t TKorvel::GetDestroyedInHandlerCount() {
    return static_cast<int32_t>(DestroyedInHandler().size());
}

// Navigators cache references to paragraph records; after the list is
// emptied every one of them, not only the control's own, must forget them.
void TKorvel::ResetStore() {
    GetParagraphsList().ClearText();
    for (TKorvelNavigator* Navigator : GetNavigators())
        Navigator->Reset();
    GetHighlightEngine().GetUpperCache().Drop();
    ClearUndo();
}

void TKorvel::Loaded() {
    TCustomKorvel::Loaded();
    ClearUndo();
    if ((GetApplyKeyWords() && GetKeywords().GetCount() > 0) ||
        (GetApplyStartStopKeys() && GetStartStopKeys().GetCount() > 0) ||
        GetHighlighter() != nullptr)
        ResetHighlighting();
}

// --- properties ---

void TKorvel::Reload() {
    TMemoryStream Stream;
    SaveToStream(Stream);
    Stream.SetPosition(0);
    LoadFromStream(Stream);
}

void TKorvel::InvalidateSelection() {
    InvalidateLines(SelStartNav->GetGlobalLine(), SelEndNav->GetGlobalLine(), false);
}

void TKorvel::RelayoutIfWrapping() {
    if (LinesWrap())
        RelayoutAll();
    if (HandleAllocated())
        ClampTopLine();
}

void TKorvel::RecreateCaret(int32_t Height) {
    TControlHost* Host = GetHost();
    Host->DestroyCaret();
    Host->CreateCaret(CaretDisplayWidth(), Height);
    PlaceCaret();
    Host->ShowCaret();
}

// Right and centred text is wrapped at the window even without word wrap,
// so leaving or entering left alignment changes the lines themselves.
void TKorvel::SetAlignment(TAlignment Value) {
    if (Value == GetAlignment())
        return;
    const bool Wrapped = LinesWrap();
    GetView().LeftPixel = 0;
    TCustomKorvel::SetAlignment(Value);
    if (LinesWrap() != Wrapped)
        RelayoutAll();
    if (GetWordWrap()) {
        if (HandleAllocated()) {
            UpdateCaret(false);
            Invalidate();
        }
    } else {
        ClampTopLine();
    }
}

void TKorvel::SetBorderStyle(TBorderStyle Value) {
    if (StoreIfChanged(BorderStyle, Value))
        RecreateWnd();
}

void TKorvel::SetHideSelection(bool Value) {
    if (StoreIfChanged(HideSelection, Value) && HandleAllocated() && !Focused() && SelLength != 0)
        InvalidateSelection();
}

TScrollStyle TKorvel::GetScrollBars() const {
    if (HasHorzBar)
        return HasVertBar ? ssBoth : ssHorizontal;
    return HasVertBar ? ssVertical : ssNone;
}

void TKorvel::SetScrollBars(TScrollStyle Value) {
    const bool Horz = Value == ssHorizontal || Value == ssBoth;
    const bool Vert = Value == ssVertical || Value == ssBoth;
    if (Horz == HasHorzBar && Vert == HasVertBar)
        return;
    const bool VertChanged = Vert != HasVertBar;
    HasHorzBar = Horz;
    HasVertBar = Vert;
    RecreateWnd();
    if (VertChanged && GetWordWrap())
        RelayoutAll();
}

void TKorvel::SetWordWrap(bool Value) {
    if (Value == GetWordWrap())
        return;
    TCustomKorvel::SetWordWrap(Value);
    RelayoutAll();
    if (HandleAllocated())
        ClampTopLine();
}

void TKorvel::SetAltFont(const TFont& Value) {
    GetAltFont() = Value;
    RelayoutIfWrapping();
}

void TKorvel::SetApplyKeyWords(bool Value) {
    TCustomKorvel::SetApplyKeyWords(Value);
    if (IsDesigning())
        ResetHighlighting();
}

void TKorvel::SetApplyStartStopKeys(bool Value) {
    TCustomKorvel::SetApplyStartStopKeys(Value);
    if (IsDesigning())
        ResetHighlighting();
}

int32_t TKorvel::GetCaretWidth() const {
    return AutoCaretWidth ? GetView().LineHeightPx / 14 + 1 : CaretWidth;
}

// The caret exists only while focused and not display-only; a display-only
// control gets none here either.
void TKorvel::SetCaretWidth(int32_t Value) {
    AutoCaretWidth = Value == 0;
    if (Value != 0)
        CaretWidth = Value;
    if (Focused() && !DisplayOnly)
        RecreateCaret(GetView().LineHeightPx - 1);
}

void TKorvel::SetColumnWrap(int32_t Value) {
    if (Value == GetColumnWrap())
        return;
    TCustomKorvel::SetColumnWrap(Value);
    if (LinesWrap()) {
        RelayoutAll();
        ClampTopLine();
    }
}

void TKorvel::SetDisplayOnly(bool Value) {
    if (Value == DisplayOnly)
        return;
    if (!DisplayOnly && Focused())
        GetHost()->DestroyCaret();
    DisplayOnly = Value;
    if (!DisplayOnly && Focused()) {
        GetHost()->CreateCaret(CaretDisplayWidth(), GetView().LineHeightPx);
        PlaceCaret();
        GetHost()->ShowCaret();
    }
}

void TKorvel::SetHighlightBackgnd(TColor Value) {
    if (StoreIfChanged(HighlightBackgnd, Value))
        Invalidate();
}

void TKorvel::SetHighlightColor(TColor Value) {
    if (StoreIfChanged(HighlightColor, Value))
        Invalidate();
}

void TKorvel::SetHighlighter(TKorvelHighlighter* Value) {
    TCustomKorvel::SetHighlighter(Value);
    if (IsDesigning() && !IsLoading())
        ResetHighlighting();
}

void TKorvel::SetJustified(bool Value) {
    if (Value == GetJustified())
        return;
    GetView().LeftPixel = 0;
    TCustomKorvel::SetJustified(Value);
    if (HandleAllocated()) {
        UpdateCaret(false);
        Invalidate();
    }
}

void TKorvel::SetKeywords(const TStrings& Value) {
    GetKeywords().Assign(Value);
}

void TKorvel::SetLeftMargin(int32_t Value) {
    if (Value == GetLeftMargin())
        return;
    TCustomKorvel::SetLeftMargin(Value);
    RelayoutIfWrapping();
}

int32_t TKorvel::GetLineHeight() const {
    return AutoLineHeight && IsDesigning() ? 0 : GetView().LineHeightPx;
}

void TKorvel::SetLineHeight(int32_t Value) {
    TViewMetrics& View = GetView();
    const int32_t Old = View.LineHeightPx;
    Value = std::min(Value, 65535);
    AutoLineHeight = Value <= 0;
    if (!AutoLineHeight)
        View.LineHeightPx = Value;
    if (!IsViewLive())
        return;
    ComputeFontMetrics();
    const int32_t New = View.LineHeightPx;
    if (New == Old || Old <= 0)
        return;
    // The same line stays on top, at the same offset into it.
    View.TopPixel = View.TopPixel % Old + New * (View.TopPixel / Old);
    UpdateVertScrollBar();
    if (HasVertBar)
        GetHost()->SetScrollPos(SB_VERT, View.TopPixel / VertUnit, true);
    Invalidate();
    UpdateCaret(false);
    if (OnVScroll)
        OnVScroll(this);
}

void TKorvel::SetOptions(TKorvelOptions Value) {
    const TKorvelOptions Old = GetOptions();
    if (Value == Old)
        return;
    const TKorvelOptions Discard = OptionBit(kvoDiscardTrailingSpaces);
    TCustomKorvel::SetOptions(Value);
    if ((Value & Discard) != 0 && (Old & Discard) == 0) {
        Reload(); // loading drops the trailing blanks
        return;
    }
    if (!HandleAllocated())
        return;
    const TKorvelOptions Changed = Value ^ Old;
    if ((Changed & OptionBit(kvoAutoScrollBars)) != 0) {
        if (IsDesigning())
            ResetHighlighting();
    } else if ((Changed & SelectionPaintOptions) != 0 && SelLength != 0) {
        InvalidateSelection();
    }
}

void TKorvel::SetOverwrite(bool Value) {
    if (StoreIfChanged(Overwrite, Value) && Focused() && !DisplayOnly)
        UpdateCaret(true);
}

void TKorvel::SetRightLinePos(int32_t Value) {
    if (StoreIfChanged(RightLinePos, Value))
        Invalidate();
}

void TKorvel::SetRightMargin(int32_t Value) {
    if (Value == GetRightMargin())
        return;
    TCustomKorvel::SetRightMargin(Value);
    RelayoutIfWrapping();
}

void TKorvel::SetSelBackColor(TColor Value) {
    if (StoreIfChanged(SelBackColor, Value) && HandleAllocated() && SelLength != 0)
        InvalidateSelection();
}

void TKorvel::SetSelTextColor(TColor Value) {
    if (StoreIfChanged(SelTextColor, Value) && HandleAllocated() && SelLength != 0)
        InvalidateSelection();
}

void TKorvel::SetSeparators(const std::string& Value) {
    TCustomKorvel::SetSeparators(Value);
    if (IsDesigning())
        ResetHighlighting();
}

void TKorvel::SetShowNonPrintChars(TkvNonPrintChars Value) {
    if (StoreIfChanged(ShowNonPrintChars, Value))
        Invalidate();
}

void TKorvel::SetStaticFormat(bool Value) {
    if (Value == GetStaticFormat())
        return;
    TCustomKorvel::SetStaticFormat(Value);
    if (GetTextLength() > 0)
        Reload(); // the stored codes are read again under the new rule
}

void TKorvel::SetTabStops(int32_t Value) {
    if (Value == GetTabStops())
        return;
    TCustomKorvel::SetTabStops(Value);
    RelayoutIfWrapping();
}

void TKorvel::SetUpperCaseType(TkvUpperCase Value) {
    TCustomKorvel::SetUpperCaseType(Value);
    if (IsDesigning())
        ResetHighlighting();
}

void TKorvel::SetVersion(const std::string&) {}

// --- view and scrolling ---

int32_t TKorvel::CaretDisplayWidth() {
    if (SelLength == 0 && Overwrite && HasOption(kvoWideOverwriteCaret) &&
        CaretNav->GetParOffset() < CaretNav->GetPar()->ParLength())
        return CharUnderCaretWidth;
    return GetCaretWidth();
}

// --- window messages ---

bool TKorvel::WasDestroyed(uint64_t ControlSerial) {
    return IsDestroyedInHandler(ControlSerial);
}

void TKorvel::WndProc(TMessage& Message) {
    // The serial, not the address: a control created meanwhile may live at
    // the same address.
    const uint64_t Me = Serial;
    ++MessageNesting;
    try {
        DispatchMessage(Message);
    } catch (...) {
        if (!DestroyedDuringHandler(Me))
            --MessageNesting;
        throw;
    }
    if (DestroyedDuringHandler(Me))
        return; // nothing of the control exists any more
    --MessageNesting;
}

// The framework's handling fires events, whose handlers may destroy the
// control; the control's own handling then does not run.
void TKorvel::DispatchMessage(TMessage& Message) {
    const uint64_t Me = Serial;
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        TCustomControl::WndProc(Message);
        if (IsDestroyedInHandler(Me))
            return;
        Message.Result = DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTCHARS;
        if (WantTabs && !DisplayOnly)
            Message.Result |= DLGC_WANTTAB;
        return;
    case WM_SETCURSOR:
        if (Message.OwnWindow && Message.HitTest == HTCLIENT && HoverLine >= 0 &&
            HandleAllocated()) {
            GetHost()->SetCursor(crKVRightArrow);
            Message.Result = 1;
            return;
        }
        break;
    case WM_ERASEBKGND:
        Message.Result = 1; // painting covers every pixel
        return;
    case WM_SETFOCUS:
        TCustomControl::WndProc(Message);
        if (!IsDestroyedInHandler(Me))
            FocusEnter();
        return;
    case WM_KILLFOCUS:
        FocusExit();
        TCustomControl::WndProc(Message);
        return;
    case WM_HSCROLL:
        WMHScroll(Message);
        return;
    case WM_VSCROLL:
        WMVScroll(Message);
        return;
    case WM_CUT:
        CutToClipboard();
        return;
    case WM_COPY:
        CopyToClipboard();
        return;
    case WM_PASTE:
        PasteFromClipboard();
        return;
    case WM_UNDO:
        Undo();
        return;
    case WM_USER + 1:
        FormatStepMessage();
        return;
    case CM_FONTCHANGED:
        TCustomControl::WndProc(Message);
        if (!IsDestroyedInHandler(Me))
            ApplyFont();
        return;
    case CM_CTL3DCHANGED:
        TCustomControl::WndProc(Message);
        if (!IsDestroyedInHandler(Me))
            RecreateWnd(); // the border style applies again
        return;
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}

void TKorvel::FocusEnter() {
    if (!DisplayOnly) {
        GetHost()->CreateCaret(CaretDisplayWidth(), GetView().LineHeightPx);
        PlaceCaret();
        GetHost()->ShowCaret();
    }
    if (HideSelection && SelLength != 0 && UpdateLock == 0)
        InvalidateSelection();
}

void TKorvel::FocusExit() {
    if (!DisplayOnly)
        GetHost()->DestroyCaret();
    if (HideSelection && SelLength != 0)
        InvalidateSelection();
}

void TKorvel::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (HasVertBar)
        Params.Style |= WS_VSCROLL;
    if (HasHorzBar)
        Params.Style |= WS_HSCROLL;
    if (BorderStyle == bsSingle) {
        if (GetCtl3D()) {
            Params.Style &= ~WS_BORDER;
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        } else {
            Params.Style |= WS_BORDER;
        }
    }
}

void TKorvel::HandleCreated() {
    TCustomKorvel::HandleCreated();
    TViewMetrics& View = GetView();
    ExtraColumns = 0;
    PreferredX = NoPreferredX;
    View.TextWidth = GetClientWidth();
    View.ClientHeight = GetClientHeight();
    LineBitmap = GetHost()->CreateOffscreenCanvas(View.TextWidth, View.LineHeightPx);
    SetCanvas(LineBitmap.get());
    ComputeFontMetrics();
    if (UpdateMode == umBackground && !IsDesigning())
        CreateFormatThread(); // suspended until RelayoutAll resumes it
    RelayoutAll();
    View.TopPixel = 0;
    View.LeftPixel = 0;
    TopLineNavigator->SetGlobalLine(0);
    UpdateVertScrollBar();
    UpdateHorzScrollBar();
    if (HasVertBar)
        GetHost()->SetScrollPos(SB_VERT, 0, true);
    if (HasHorzBar)
        GetHost()->SetScrollPos(SB_HORZ, 0, true);
    if (OnVScroll)
        OnVScroll(this);
}

void TKorvel::HandleDestroying() {
    ViewState.MissedPaint = TRect{};
    SetCanvas(nullptr);
    LineBitmap.reset();
    StopFormatThread();
    TCustomKorvel::HandleDestroying();
}

} // namespace korvel
