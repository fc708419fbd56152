#include "Korvel/TKorvelStreaming.h"
#include "Korvel/TKorvelStrings.h"

#include "KVSupport/TKeywordList.h"
#include "KVSupport/TStartStopKeyList.h"
#include "Korvel/TKorvel.h"
#include "framework/CodePage.h"
#include "framework/ColorNames.h"
#include "framework/Exceptions.h"
#include "framework/TStream.h"
#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace korvel {

namespace {

constexpr char Signature[] = {'T', 'P', 'F', '0'};
constexpr const char* ClassName = "TKorvel";

// --- Names of enumerations and sets ---

constexpr std::string_view AlignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};
constexpr std::string_view BorderStyleNames[] = {"bsNone", "bsSingle"};
constexpr std::string_view ScrollStyleNames[] = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};
constexpr std::string_view LineBreakNames[] = {"kbCRLF", "kbLFCR", "kbCR", "kbLF"};
constexpr std::string_view UpperCaseNames[] = {"kvuAscii", "kvuAnsi", "kvuUserDefined"};
constexpr std::string_view UpdateModeNames[] = {"umImmediate", "umOnNeed", "umBackground"};
constexpr std::string_view NonPrintCharNames[] = {"kvNPSpace", "kvNPTab", "kvNPReturn"};
constexpr std::string_view OptionNames[] = {"kvoKeepColumnPos",
                                            "kvoPutExtraSpaces",
                                            "kvoWrapCaret",
                                            "kvoInsertKeyActive",
                                            "kvoWideOverwriteCaret",
                                            "kvoLargeWordSelect",
                                            "kvoAutoScrollBars",
                                            "kvoNoDragnDrop",
                                            "kvoAutoIndent",
                                            "kvoBackIndent",
                                            "kvoWindowsSelColors",
                                            "kvoFullLineSelect",
                                            "kvoDiscardTrailingSpaces",
                                            "kvoNoFineScroll",
                                            "kvoNoLineSelection",
                                            "kvoNoDefaultPopup",
                                            "kvoBlockSelection",
                                            "kvoAutoLineBreak",
                                            "kvoPlainClipboard",
                                            "kvoPersistentBlocks",
                                            "kvoNoOverwriteBlocks",
                                            "kvoSmartTabs"};
constexpr std::string_view FontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constexpr std::string_view PitchNames[] = {"fpDefault", "fpVariable", "fpFixed"};
constexpr std::string_view PenStyleNames[] = {
    "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"};

struct TNamedValue {
    int32_t Value;
    std::string_view Name;
};

constexpr TNamedValue CursorNames[] = {
    {crDefault, "crDefault"},     {crNone, "crNone"},           {crArrow, "crArrow"},
    {crCross, "crCross"},         {crIBeam, "crIBeam"},         {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"},   {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},       {crHSplit, "crHSplit"},       {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},     {crNo, "crNo"},
    {crAppStart, "crAppStart"},   {crHelp, "crHelp"},           {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"}};

constexpr TNamedValue CharsetNames[] = {
    {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"}};

[[noreturn]] void BadValue(const std::string& What) {
    throw EReadError("invalid property value: " + What);
}

// --- Values ---

template <class E, size_t N>
void WriteEnum(TValueWriter& Writer, E Value, const std::string_view (&Names)[N]) {
    const auto Index = static_cast<size_t>(Value);
    if (Index >= N)
        throw EWriteError("enumeration value " + std::to_string(Index) + " has no name");
    Writer.WriteIdent(Names[Index]);
}

template <class E, size_t N>
E ReadEnum(TValueReader& Reader, const std::string_view (&Names)[N]) {
    const std::string Ident = Reader.ReadIdent();
    for (size_t I = 0; I < N; ++I)
        if (AnsiSameText(Ident, Names[I]))
            return static_cast<E>(I);
    BadValue("\"" + Ident + "\"");
}

template <size_t N>
void WriteSetOf(TValueWriter& Writer, uint32_t Bits, const std::string_view (&Names)[N]) {
    std::vector<std::string_view> Elements;
    for (size_t I = 0; I < N; ++I)
        if ((Bits >> I & 1) != 0)
            Elements.push_back(Names[I]);
    Writer.WriteSet(Elements);
}

template <size_t N>
uint32_t ReadSetOf(TValueReader& Reader, const std::string_view (&Names)[N]) {
    uint32_t Bits = 0;
    for (const std::string& Element : Reader.ReadSet()) {
        const auto Found =
            std::find_if(std::begin(Names), std::end(Names),
                         [&](std::string_view Name) { return AnsiSameText(Element, Name); });
        if (Found == std::end(Names))
            BadValue("set element \"" + Element + "\"");
        Bits |= uint32_t{1} << static_cast<uint32_t>(Found - std::begin(Names));
    }
    return Bits;
}

// A value that has a name is written by name, any other as an integer.
void WriteNamedInteger(TValueWriter& Writer, int32_t Value, std::span<const TNamedValue> Names) {
    for (const TNamedValue& Entry : Names)
        if (Entry.Value == Value) {
            Writer.WriteIdent(Entry.Name);
            return;
        }
    Writer.WriteInteger(Value);
}

int32_t ReadNamedInteger(TValueReader& Reader, std::span<const TNamedValue> Names) {
    if (IsIntegerValue(Reader.NextValue()))
        return Reader.ReadInteger();
    const std::string Ident = Reader.ReadIdent();
    for (const TNamedValue& Entry : Names)
        if (AnsiSameText(Ident, Entry.Name))
            return Entry.Value;
    BadValue("\"" + Ident + "\"");
}

void WriteColor(TValueWriter& Writer, TColor Color) {
    const std::string Name = ColorToIdent(Color);
    if (Name.empty())
        Writer.WriteInteger(Color);
    else
        Writer.WriteIdent(Name);
}

TColor ReadColor(TValueReader& Reader) {
    if (IsIntegerValue(Reader.NextValue()))
        return Reader.ReadInteger();
    const std::string Ident = Reader.ReadIdent();
    TColor Color = 0;
    if (!IdentToColor(Ident, Color))
        BadValue("colour \"" + Ident + "\"");
    return Color;
}

// --- The property table ---

struct TProperty {
    std::string Name;
    std::function<bool(const TKorvel&, const TFormReferences*)> Stored;
    std::function<void(TValueWriter&, const TKorvel&, const TFormReferences*)> Write;
    std::function<void(TValueReader&, TKorvel&, const TFormReferences*)> Read;
};

using TStoredTest = std::function<bool(const TKorvel&)>;

template <class TGet>
TStoredTest StoredUnless(TGet Get,
                         decltype(std::invoke(Get, std::declval<const TKorvel&>())) Default) {
    return [=](const TKorvel& C) { return std::invoke(Get, C) != Default; };
}

TStoredTest Always() {
    return [](const TKorvel&) { return true; };
}

// A property with a plain value: Write and Read take the value.
template <class T, class TGet, class TSet, class TWrite, class TRead>
TProperty Plain(std::string Name, TGet Get, TSet Set, TStoredTest Stored, TWrite WriteValue,
                TRead ReadValue) {
    return {std::move(Name), [=](const TKorvel& C, const TFormReferences*) { return Stored(C); },
            [=](TValueWriter& W, const TKorvel& C, const TFormReferences*) {
                WriteValue(W, static_cast<T>(std::invoke(Get, C)));
            },
            [=](TValueReader& R, TKorvel& C, const TFormReferences*) {
                std::invoke(Set, C, static_cast<T>(ReadValue(R)));
            }};
}

template <class TGet, class TSet>
TProperty Boolean(std::string Name, TGet Get, TSet Set, TStoredTest Stored) {
    return Plain<bool>(
        Name, Get, Set, std::move(Stored), [](TValueWriter& W, bool V) { W.WriteBoolean(V); },
        [](TValueReader& R) { return R.ReadBoolean(); });
}

template <class TGet, class TSet>
TProperty Integer(std::string Name, TGet Get, TSet Set, TStoredTest Stored) {
    return Plain<int32_t>(
        Name, Get, Set, std::move(Stored), [](TValueWriter& W, int32_t V) { W.WriteInteger(V); },
        [](TValueReader& R) { return R.ReadInteger(); });
}

template <class TGet, class TSet>
TProperty Color(std::string Name, TGet Get, TSet Set, TStoredTest Stored) {
    return Plain<TColor>(Name, Get, Set, std::move(Stored), WriteColor, ReadColor);
}

template <class E, size_t N, class TGet, class TSet>
TProperty Enumeration(std::string Name, TGet Get, TSet Set, TStoredTest Stored,
                      const std::string_view (&Names)[N]) {
    return Plain<E>(
        Name, Get, Set, std::move(Stored),
        [&Names](TValueWriter& W, E V) { WriteEnum(W, V, Names); },
        [&Names](TValueReader& R) { return ReadEnum<E>(R, Names); });
}

template <class T, size_t N, class TGet, class TSet>
TProperty SetOf(std::string Name, TGet Get, TSet Set, TStoredTest Stored,
                const std::string_view (&Names)[N]) {
    return Plain<T>(
        Name, Get, Set, std::move(Stored),
        [&Names](TValueWriter& W, T V) { WriteSetOf(W, V, Names); },
        [&Names](TValueReader& R) { return static_cast<T>(ReadSetOf(R, Names)); });
}

// The nested properties of a font: Prefix + "Charset", "Color", ....
void AddFont(std::vector<TProperty>& Table, std::string_view Prefix, TFont& (*Font)(TKorvel&),
             const TStoredTest& Stored) {
    auto Get = [Font](const TKorvel& C) -> const TFont& { return Font(const_cast<TKorvel&>(C)); };
    auto Name = [Prefix](std::string_view Member) {
        return std::string(Prefix) + "." + std::string(Member);
    };
    auto When = [Stored](auto Extra) {
        return [Stored, Extra](const TKorvel& C) { return Stored(C) && Extra(C); };
    };
    auto Yes = [](const TKorvel&) { return true; };
    Table.push_back(Plain<int32_t>(
        Name("Charset"), [Get](const TKorvel& C) { return Get(C).GetCharset(); },
        [Font](TKorvel& C, int32_t V) { Font(C).SetCharset(static_cast<TFontCharset>(V)); },
        When(Yes), [](TValueWriter& W, int32_t V) { WriteNamedInteger(W, V, CharsetNames); },
        [](TValueReader& R) {
            const int32_t V = ReadNamedInteger(R, CharsetNames);
            if (V < 0 || V > 255)
                BadValue("charset " + std::to_string(V));
            return V;
        }));
    Table.push_back(Color(
        Name("Color"), [Get](const TKorvel& C) { return Get(C).GetColor(); },
        [Font](TKorvel& C, TColor V) { Font(C).SetColor(V); }, When(Yes)));
    Table.push_back(Integer(
        Name("Height"), [Get](const TKorvel& C) { return Get(C).GetHeight(); },
        [Font](TKorvel& C, int32_t V) { Font(C).SetHeight(V); }, When(Yes)));
    Table.push_back(Plain<std::string>(
        Name("Name"), [Get](const TKorvel& C) { return Get(C).GetName(); },
        [Font](TKorvel& C, const std::string& V) { Font(C).SetName(V); }, When(Yes),
        [](TValueWriter& W, const std::string& V) { W.WriteString(V); },
        [](TValueReader& R) { return R.ReadString(); }));
    Table.push_back(Enumeration<TFontPitch>(
        Name("Pitch"), [Get](const TKorvel& C) { return Get(C).GetPitch(); },
        [Font](TKorvel& C, TFontPitch V) { Font(C).SetPitch(V); },
        When([Get](const TKorvel& C) { return Get(C).GetPitch() != fpDefault; }), PitchNames));
    Table.push_back(SetOf<TFontStyles>(
        Name("Style"), [Get](const TKorvel& C) { return Get(C).GetStyle(); },
        [Font](TKorvel& C, TFontStyles V) { Font(C).SetStyle(V); }, When(Yes), FontStyleNames));
}

// The nested properties of a pen, each written when it differs from a new
// pen's (the framework's stored-value default) or from the control's pen
// after construction (which a reader starts from).
void AddPen(std::vector<TProperty>& Table, const std::string& Prefix, TPen& (*Pen)(TKorvel&),
            const TPen& Constructed) {
    auto Get = [Pen](const TKorvel& C) -> const TPen& { return Pen(const_cast<TKorvel&>(C)); };
    const TPen Default;
    auto Differs = [Get, Default, Constructed](auto Field) {
        return [Get, Default, Constructed, Field](const TKorvel& C) {
            const auto Value = std::invoke(Field, Get(C));
            return Value != std::invoke(Field, Default) || Value != std::invoke(Field, Constructed);
        };
    };
    Table.push_back(Color(
        Prefix + ".Color", [Get](const TKorvel& C) { return Get(C).GetColor(); },
        [Pen](TKorvel& C, TColor V) { Pen(C).SetColor(V); }, Differs(&TPen::GetColor)));
    Table.push_back(Enumeration<TPenStyle>(
        Prefix + ".Style", [Get](const TKorvel& C) { return Get(C).GetStyle(); },
        [Pen](TKorvel& C, TPenStyle V) { Pen(C).SetStyle(V); }, Differs(&TPen::GetStyle),
        PenStyleNames));
    Table.push_back(Integer(
        Prefix + ".Width", [Get](const TKorvel& C) { return Get(C).GetWidth(); },
        [Pen](TKorvel& C, int32_t V) { Pen(C).SetWidth(V); }, Differs(&TPen::GetWidth)));
}

// The "Strings" of the Lines view: the paragraphs as a list of strings.
bool LinesStored(const TKorvel& C) {
    return C.GetLines().HasStoredData();
}

void WriteLines(TValueWriter& Writer, const TKorvel& C) {
    C.GetLines().WriteStrings(Writer);
}

void ReadLines(TValueReader& Reader, TKorvel& C) {
    C.GetLines().ReadStrings(Reader);
}

std::vector<TProperty> BuildTable() {
    // The values a reader starts from.
    const TKorvel Constructed;
    std::vector<TProperty> T;
    // The inherited properties, in the framework's order. Those whose
    // framework default is not the control's value after construction
    // (Cursor, ParentColor, ParentFont, TabStop) are always written: left
    // out, the framework default would read back as the control's own. The
    // colour and the font are written whether or not they follow the
    // parent, so that they survive a round trip; the Parent flags follow
    // them and so win when read.
    T.push_back(Integer(
        "Left", &TKorvel::GetLeft,
        [](TKorvel& C, int32_t V) { C.SetBounds(V, C.GetTop(), C.GetWidth(), C.GetHeight()); },
        Always()));
    T.push_back(Integer(
        "Top", &TKorvel::GetTop,
        [](TKorvel& C, int32_t V) { C.SetBounds(C.GetLeft(), V, C.GetWidth(), C.GetHeight()); },
        Always()));
    T.push_back(Integer(
        "Width", &TKorvel::GetWidth,
        [](TKorvel& C, int32_t V) { C.SetBounds(C.GetLeft(), C.GetTop(), V, C.GetHeight()); },
        Always()));
    T.push_back(Integer(
        "Height", &TKorvel::GetHeight,
        [](TKorvel& C, int32_t V) { C.SetBounds(C.GetLeft(), C.GetTop(), C.GetWidth(), V); },
        Always()));
    T.push_back(Plain<int32_t>(
        "Cursor", &TKorvel::GetCursor,
        [](TKorvel& C, int32_t V) { C.SetCursor(static_cast<TCursor>(V)); }, Always(),
        [](TValueWriter& W, int32_t V) { WriteNamedInteger(W, V, CursorNames); },
        [](TValueReader& R) {
            const int32_t V = ReadNamedInteger(R, CursorNames);
            if (V < INT16_MIN || V > INT16_MAX)
                BadValue("cursor " + std::to_string(V));
            return V;
        }));
    T.push_back(Enumeration<TAlignment>("Alignment", &TKorvel::GetAlignment, &TKorvel::SetAlignment,
                                        StoredUnless(&TKorvel::GetAlignment, taLeftJustify),
                                        AlignmentNames));
    T.push_back(Enumeration<TBorderStyle>(
        "BorderStyle", &TKorvel::GetBorderStyle, &TKorvel::SetBorderStyle,
        StoredUnless(&TKorvel::GetBorderStyle, bsSingle), BorderStyleNames));
    T.push_back(Color("Color", &TKorvel::GetColor, &TKorvel::SetColor,
                      StoredUnless(&TKorvel::GetColor, clWindow)));
    T.push_back(Boolean("Ctl3D", &TKorvel::GetCtl3D, &TKorvel::SetCtl3D,
                        StoredUnless(&TKorvel::GetCtl3D, true)));
    AddFont(
        T, "Font", [](TKorvel& C) -> TFont& { return C.GetFont(); }, Always());
    T.push_back(Boolean("HideSelection", &TKorvel::GetHideSelection, &TKorvel::SetHideSelection,
                        StoredUnless(&TKorvel::GetHideSelection, true)));
    T.push_back(
        {"Lines.Strings", [](const TKorvel& C, const TFormReferences*) { return LinesStored(C); },
         [](TValueWriter& W, const TKorvel& C, const TFormReferences*) { WriteLines(W, C); },
         [](TValueReader& R, TKorvel& C, const TFormReferences*) { ReadLines(R, C); }});
    T.push_back(
        Boolean("ParentColor", &TKorvel::GetParentColor, &TKorvel::SetParentColor, Always()));
    T.push_back(Boolean("ParentFont", &TKorvel::GetParentFont, &TKorvel::SetParentFont, Always()));
    // ScrollBars has no stored-value default: it is always written.
    T.push_back(Enumeration<TScrollStyle>("ScrollBars", &TKorvel::GetScrollBars,
                                          &TKorvel::SetScrollBars, Always(), ScrollStyleNames));
    T.push_back(Boolean("TabStop", &TKorvel::GetTabStop, &TKorvel::SetTabStop, Always()));
    T.push_back(Boolean("WantTabs", &TKorvel::GetWantTabs, &TKorvel::SetWantTabs,
                        StoredUnless(&TKorvel::GetWantTabs, true)));
    T.push_back(Boolean("WordWrap", &TKorvel::GetWordWrap, &TKorvel::SetWordWrap,
                        StoredUnless(&TKorvel::GetWordWrap, true)));

    // The control's own, in their order.
    AddFont(
        T, "AltFont", [](TKorvel& C) -> TFont& { return C.GetAltFont(); }, Always());
    T.push_back(Boolean("ApplyKeyWords", &TKorvel::GetApplyKeyWords, &TKorvel::SetApplyKeyWords,
                        StoredUnless(&TKorvel::GetApplyKeyWords, true)));
    T.push_back(Boolean("ApplyStartStopKeys", &TKorvel::GetApplyStartStopKeys,
                        &TKorvel::SetApplyStartStopKeys,
                        StoredUnless(&TKorvel::GetApplyStartStopKeys, true)));
    T.push_back(
        {"BackgroundBmp.Data",
         [](const TKorvel& C, const TFormReferences*) { return !C.GetBackgroundBmp().IsEmpty(); },
         [](TValueWriter& W, const TKorvel& C, const TFormReferences*) {
             W.WriteBinary(C.GetBackgroundBmp().SaveToData());
         },
         [](TValueReader& R, TKorvel& C, const TFormReferences*) {
             C.GetBackgroundBmp().LoadFromData(R.ReadBinary());
         }});
    // An automatic caret width is stored as the 0 that asked for it.
    T.push_back(Integer(
        "CaretWidth",
        [](const TKorvel& C) { return C.IsCaretWidthAutomatic() ? 0 : C.GetCaretWidth(); },
        &TKorvel::SetCaretWidth,
        [](const TKorvel& C) { return C.IsCaretWidthAutomatic() || C.GetCaretWidth() != 1; }));
    T.push_back(Integer("ColumnWrap", &TKorvel::GetColumnWrap, &TKorvel::SetColumnWrap,
                        StoredUnless(&TKorvel::GetColumnWrap, 0)));
    T.push_back(Boolean("DisplayOnly", &TKorvel::GetDisplayOnly, &TKorvel::SetDisplayOnly,
                        StoredUnless(&TKorvel::GetDisplayOnly, false)));
    T.push_back(Boolean("EnableHotKeys", &TKorvel::GetEnableHotKeys, &TKorvel::SetEnableHotKeys,
                        StoredUnless(&TKorvel::GetEnableHotKeys, true)));
    AddPen(
        T, "EndOfTextMark", [](TKorvel& C) -> TPen& { return C.GetEndOfTextMark(); },
        Constructed.GetEndOfTextMark());
    T.push_back(Color("HighlightBackgnd", &TKorvel::GetHighlightBackgnd,
                      &TKorvel::SetHighlightBackgnd,
                      StoredUnless(&TKorvel::GetHighlightBackgnd, clWindow)));
    T.push_back(Color("HighlightColor", &TKorvel::GetHighlightColor, &TKorvel::SetHighlightColor,
                      StoredUnless(&TKorvel::GetHighlightColor, clRed)));
    T.push_back({"Highlighter",
                 [](const TKorvel& C, const TFormReferences* Refs) {
                     return C.GetHighlighter() != nullptr && Refs != nullptr && Refs->NameOf &&
                            !Refs->NameOf(C.GetHighlighter()).empty();
                 },
                 [](TValueWriter& W, const TKorvel& C, const TFormReferences* Refs) {
                     W.WriteIdent(Refs->NameOf(C.GetHighlighter()));
                 },
                 [](TValueReader& R, TKorvel& C, const TFormReferences* Refs) {
                     const std::string Name = R.ReadIdent();
                     if (Name == "nil") {
                         C.SetHighlighter(nullptr);
                         return;
                     }
                     TKorvelHighlighter* Found =
                         Refs != nullptr && Refs->Find ? Refs->Find(Name) : nullptr;
                     if (Found == nullptr)
                         BadValue("no component named \"" + Name + "\"");
                     C.SetHighlighter(Found);
                 }});
    T.push_back(Boolean("Justified", &TKorvel::GetJustified, &TKorvel::SetJustified,
                        StoredUnless(&TKorvel::GetJustified, false)));
    T.push_back({"Keywords.Strings",
                 [](const TKorvel& C, const TFormReferences*) { return C.GetKeywords().HasData(); },
                 [](TValueWriter& W, const TKorvel& C, const TFormReferences*) {
                     C.GetKeywords().WriteStrings(W);
                 },
                 [](TValueReader& R, TKorvel& C, const TFormReferences*) {
                     C.GetKeywords().ReadStrings(R);
                 }});
    T.push_back(Integer("LeftMargin", &TKorvel::GetLeftMargin, &TKorvel::SetLeftMargin,
                        StoredUnless(&TKorvel::GetLeftMargin, 8)));
    T.push_back(Enumeration<TKorvelLineBreak>(
        "LineBreak", &TKorvel::GetLineBreak, &TKorvel::SetLineBreak,
        StoredUnless(&TKorvel::GetLineBreak, kbCRLF), LineBreakNames));
    // The stored value, not the reading: a height that follows the font is
    // stored as 0 so that it still follows the font when read back.
    T.push_back(Integer(
        "LineHeight",
        [](const TKorvel& C) { return C.IsLineHeightAutomatic() ? 0 : C.GetLineHeightPx(); },
        &TKorvel::SetLineHeight, [](const TKorvel& C) { return !C.IsLineHeightAutomatic(); }));
    T.push_back(Integer("MouseWheelFactor", &TKorvel::GetMouseWheelFactor,
                        &TKorvel::SetMouseWheelFactor,
                        StoredUnless(&TKorvel::GetMouseWheelFactor, -1)));
    T.push_back(Plain<char>(
        "NullReplacement", &TKorvel::GetNullReplacement, &TKorvel::SetNullReplacement,
        StoredUnless(&TKorvel::GetNullReplacement, '\0'),
        [](TValueWriter& W, char V) { W.WriteString(std::string(1, V)); },
        [](TValueReader& R) {
            const std::string V = R.ReadString();
            if (V.size() != 1)
                BadValue("a character, found " + std::to_string(V.size()));
            return V[0];
        }));
    T.push_back(SetOf<TKorvelOptions>("Options", &TKorvel::GetOptions, &TKorvel::SetOptions,
                                      StoredUnless(&TKorvel::GetOptions, DefaultKorvelOptions),
                                      OptionNames));
    T.push_back(Boolean("Overwrite", &TKorvel::GetOverwrite, &TKorvel::SetOverwrite,
                        StoredUnless(&TKorvel::GetOverwrite, false)));
    T.push_back(Boolean("PassOverCodes", &TKorvel::GetPassOverCodes, &TKorvel::SetPassOverCodes,
                        StoredUnless(&TKorvel::GetPassOverCodes, true)));
    T.push_back(Integer("ProgressInterval", &TKorvel::GetProgressInterval,
                        &TKorvel::SetProgressInterval,
                        StoredUnless(&TKorvel::GetProgressInterval, 300)));
    T.push_back(Boolean("ReadOnly", &TKorvel::GetReadOnly, &TKorvel::SetReadOnly,
                        StoredUnless(&TKorvel::GetReadOnly, false)));
    AddPen(
        T, "RightLinePen", [](TKorvel& C) -> TPen& { return C.GetRightLinePen(); },
        Constructed.GetRightLinePen());
    T.push_back(Integer("RightLinePos", &TKorvel::GetRightLinePos, &TKorvel::SetRightLinePos,
                        StoredUnless(&TKorvel::GetRightLinePos, 0)));
    T.push_back(Integer("RightMargin", &TKorvel::GetRightMargin, &TKorvel::SetRightMargin,
                        StoredUnless(&TKorvel::GetRightMargin, 8)));
    T.push_back(Integer("ScrollTime", &TKorvel::GetScrollTime, &TKorvel::SetScrollTime,
                        StoredUnless(&TKorvel::GetScrollTime, 300)));
    // The stored-value default of the two selection colours (-1) is not the
    // value after construction (the system colours), so -1 is written too:
    // left out, it would read back as the system colour.
    T.push_back(
        Color("SelBackColor", &TKorvel::GetSelBackColor, &TKorvel::SetSelBackColor, Always()));
    T.push_back(
        Color("SelTextColor", &TKorvel::GetSelTextColor, &TKorvel::SetSelTextColor, Always()));
    // Never empty (LF and CR are always members), so always written.
    T.push_back(Plain<std::string>(
        "Separators", &TKorvel::GetSeparators, &TKorvel::SetSeparators, Always(),
        [](TValueWriter& W, const std::string& V) { W.WriteString(V); },
        [](TValueReader& R) { return R.ReadString(); }));
    T.push_back(Boolean("ShowEndParSelected", &TKorvel::GetShowEndParSelected,
                        &TKorvel::SetShowEndParSelected,
                        StoredUnless(&TKorvel::GetShowEndParSelected, true)));
    T.push_back(SetOf<TkvNonPrintChars>(
        "ShowNonPrintChars", &TKorvel::GetShowNonPrintChars, &TKorvel::SetShowNonPrintChars,
        StoredUnless(&TKorvel::GetShowNonPrintChars, 0), NonPrintCharNames));
    AddPen(
        T, "SpecUnderline", [](TKorvel& C) -> TPen& { return C.GetSpecUnderline(); },
        Constructed.GetSpecUnderline());
    T.push_back(
        {"StartStopKeys.Keys",
         [](const TKorvel& C, const TFormReferences*) { return C.GetStartStopKeys().HasData(); },
         [](TValueWriter& W, const TKorvel& C, const TFormReferences*) {
             C.GetStartStopKeys().WriteKeys(W);
         },
         [](TValueReader& R, TKorvel& C, const TFormReferences*) {
             C.GetStartStopKeys().ReadKeys(R);
         }});
    T.push_back(Boolean("StaticFormat", &TKorvel::GetStaticFormat, &TKorvel::SetStaticFormat,
                        StoredUnless(&TKorvel::GetStaticFormat, false)));
    T.push_back(Integer("TabStops", &TKorvel::GetTabStops, &TKorvel::SetTabStops,
                        StoredUnless(&TKorvel::GetTabStops, 8)));
    T.push_back(Integer("UndoMaxSpace", &TKorvel::GetUndoMaxSpace, &TKorvel::SetUndoMaxSpace,
                        StoredUnless(&TKorvel::GetUndoMaxSpace, 65536)));
    T.push_back(Integer("UndoMaxLevel", &TKorvel::GetUndoMaxLevel, &TKorvel::SetUndoMaxLevel,
                        StoredUnless(&TKorvel::GetUndoMaxLevel, 1024)));
    T.push_back(Enumeration<TkvUpperCase>(
        "UpperCaseType", &TKorvel::GetUpperCaseType, &TKorvel::SetUpperCaseType,
        StoredUnless(&TKorvel::GetUpperCaseType, kvuAscii), UpperCaseNames));
    T.push_back(Enumeration<TkvUpdateMode>(
        "UpdateMode", &TKorvel::GetUpdateMode, &TKorvel::SetUpdateMode,
        StoredUnless(&TKorvel::GetUpdateMode, umBackground), UpdateModeNames));
    // Written like any string; reading it changes nothing.
    T.push_back(Plain<std::string>(
        "Version", &TKorvel::GetVersion, &TKorvel::SetVersion, Always(),
        [](TValueWriter& W, const std::string& V) { W.WriteString(V); },
        [](TValueReader& R) { return R.ReadString(); }));
    return T;
}

const std::vector<TProperty>& Properties() {
    static const std::vector<TProperty> Table = BuildTable();
    return Table;
}

const TProperty* FindProperty(std::string_view Name) {
    for (const TProperty& Property : Properties())
        if (AnsiSameText(Property.Name, Name))
            return &Property;
    return nullptr;
}

std::string ComponentName(const TKorvel& Control) {
    return Control.GetName().empty() ? ClassName : Control.GetName();
}

} // namespace

void TKorvelStreaming::WriteProperties(TValueWriter& Writer) const {
    for (const TProperty& Property : Properties()) {
        if (!Property.Stored(Control, References))
            continue;
        Writer.WriteStr(Property.Name);
        Property.Write(Writer, Control, References);
    }
    Writer.WriteListEnd();
}

void TKorvelStreaming::WriteComponent(TStream& Stream) const {
    Stream.WriteBuffer(Signature, sizeof Signature);
    TValueWriter Writer(Stream);
    Writer.WriteStr(ClassName);
    Writer.WriteStr(Control.GetName());
    WriteProperties(Writer);
    Writer.WriteListEnd(); // no children
}

void TKorvelStreaming::ReadProperty(TValueReader& Reader, const std::string& Name) {
    const TProperty* Property = FindProperty(Name);
    if (Property == nullptr)
        throw EReadError("property " + Name + " does not exist");
    Property->Read(Reader, Control, References);
}

void TKorvelStreaming::ReadProperties(TValueReader& Reader) {
    TStream& Stream = Reader.GetStream();
    Control.BeginLoading();
    try {
        for (;;) {
            const int64_t Offset = Stream.GetPosition();
            std::string Name;
            try {
                if (Reader.EndOfList())
                    break;
                Name = Reader.ReadStr();
                ReadProperty(Reader, Name);
            } catch (const Exception& Error) {
                const std::string Where =
                    ComponentName(Control) + (Name.empty() ? std::string() : "." + Name);
                throw EReadError("Error reading " + Where + " at offset " + std::to_string(Offset) +
                                 ": " + Error.what());
            }
        }
        Reader.ReadListEnd();
    } catch (...) {
        Control.EndLoading();
        throw;
    }
    Control.EndLoading();
}

void TKorvelStreaming::ReadComponent(TStream& Stream) {
    TValueReader Reader(Stream);
    const int64_t Start = Stream.GetPosition();
    char Found[sizeof Signature] = {};
    if (Stream.Read(Found, sizeof Found) != static_cast<int64_t>(sizeof Found) ||
        !std::equal(std::begin(Found), std::end(Found), std::begin(Signature)))
        Reader.Fail(Start, "not a form description (no TPF0 signature)");
    const int64_t HeaderOffset = Stream.GetPosition();
    if (Stream.GetPosition() < Stream.GetSize() &&
        (static_cast<uint8_t>(Reader.NextValue()) & 0xF0) == 0xF0)
        Reader.Fail(HeaderOffset, "inherited and inline components are not supported");
    const std::string Class = Reader.ReadStr();
    if (!AnsiSameText(Class, ClassName))
        Reader.Fail(HeaderOffset,
                    "a " + std::string(ClassName) + " was expected, found \"" + Class + "\"");
    Control.SetName(Reader.ReadStr());
    ReadProperties(Reader);
    const int64_t ChildrenOffset = Stream.GetPosition();
    if (!Reader.EndOfList())
        Reader.Fail(ChildrenOffset, std::string(ClassName) + " has no child components");
    Reader.ReadListEnd();
}

} // namespace korvel
