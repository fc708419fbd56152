#pragma once

// A differential harness over the public editing face of TKorvel on the
// headless host. Operations are plain values (a kind, four raw numbers and a
// text) interpreted against the state at the time they run, so that any
// subsequence of a failing run is still a valid run; this is what lets a
// failure shrink to a short replay script. The model is a std::string (the
// text with CR LF breaks), a caret and signed selection length, and a
// snapshot of the text at every undo position.

#include "KVSupport/TParagraphsList.h"
#include "Korvel/TKorvel.h"
#include "Korvel/TKorvelStrings.h"
#include "Korvel/TUndoList.h"
#include "framework/TMemoryStream.h"
#include "framework/TStringList.h"
#include "platform/headless/THeadlessClipboard.h"
#include "platform/headless/THeadlessHost.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel::control {

// The bytes of generated texts: letters, blanks, tag brackets, breaks of
// each kind and the five format codes (toggles while StaticFormat is on).
// No tabs: column blocks count display columns, which the model takes to be
// bytes other than codes.
inline constexpr char TextAlphabet[] = "abcxyz  <>\r\r\n\x01\x02\x03\x04\x15";

inline bool IsCodeByte(char Ch) {
    return (Ch >= 0x01 && Ch <= 0x04) || Ch == 0x15;
}

enum class TOpKind : uint8_t {
    Select,     // A start, B length
    SetSelText, // S
    Type,       // S typed character by character
    Backspace,  // A caret
    Delete,     // A caret
    Copy,       // A start, B length
    Cut,        // A start, B length
    Paste,      // A caret, B length
    BlockCopy,  // A, B paragraphs, C, D columns
    BlockPaste, // A caret
    Undo,       // A levels
    Redo,       // A levels
    UndoLevel,  // A new maximum level
    ParAdd,     // S
    ParPut,     // A index, S
    ParInsert,  // A index, S
    ParDelete,  // A index
    LinesAdd,   // S
    Update,     // A: begin (even) or end (odd)
    SaveLoad,   // A line break
    Layout,     // A what, B value
    UpdateMode, // A mode, B pump rounds
    Highlight,  // A key list choice
    SetAllText, // S
    Codes,      // A: StaticFormat on (odd) or off
    Count
};

inline const char* const OpNames[] = {
    "Select",     "SetSelText", "Type",       "Backspace", "Delete", "Copy",      "Cut",
    "Paste",      "BlockCopy",  "BlockPaste", "Undo",      "Redo",   "UndoLevel", "ParAdd",
    "ParPut",     "ParInsert",  "ParDelete",  "LinesAdd",  "Update", "SaveLoad",  "Layout",
    "UpdateMode", "Highlight",  "SetAllText", "Codes"};
static_assert(std::size(OpNames) == static_cast<size_t>(TOpKind::Count));

struct TOp {
    TOpKind Kind = TOpKind::Select;
    uint32_t A = 0, B = 0, C = 0, D = 0;
    std::string S;
};

// One line per operation: name, four numbers, the text in hex ("-" when
// empty), so that any byte survives the file.
inline std::string FormatOp(const TOp& Op) {
    std::ostringstream Out;
    Out << OpNames[static_cast<size_t>(Op.Kind)] << ' ' << Op.A << ' ' << Op.B << ' ' << Op.C << ' '
        << Op.D << ' ';
    if (Op.S.empty())
        Out << '-';
    static const char Hex[] = "0123456789abcdef";
    for (const char Ch : Op.S) {
        const auto Byte = static_cast<uint8_t>(Ch);
        Out << Hex[Byte >> 4] << Hex[Byte & 15];
    }
    return Out.str();
}

inline std::string FormatScript(const std::vector<TOp>& Ops) {
    std::string Out;
    for (const TOp& Op : Ops)
        Out += FormatOp(Op) + "\n";
    return Out;
}

// Reads a script; lines that are empty or start with '#' are skipped. Throws
// std::runtime_error naming the first line it cannot read.
inline std::vector<TOp> ParseScript(const std::string& Text) {
    std::vector<TOp> Ops;
    std::istringstream In(Text);
    std::string Line;
    int32_t Number = 0;
    while (std::getline(In, Line)) {
        ++Number;
        if (Line.empty() || Line[0] == '#')
            continue;
        std::istringstream Fields(Line);
        std::string Name, Hex;
        TOp Op;
        if (!(Fields >> Name >> Op.A >> Op.B >> Op.C >> Op.D >> Hex))
            throw std::runtime_error("bad script line " + std::to_string(Number));
        const auto* Found = std::find(std::begin(OpNames), std::end(OpNames), Name);
        if (Found == std::end(OpNames) || (Hex != "-" && Hex.size() % 2 != 0))
            throw std::runtime_error("bad script line " + std::to_string(Number));
        Op.Kind = static_cast<TOpKind>(Found - std::begin(OpNames));
        if (Hex != "-")
            for (size_t I = 0; I < Hex.size(); I += 2)
                Op.S += static_cast<char>(std::stoi(Hex.substr(I, 2), nullptr, 16));
        Ops.push_back(std::move(Op));
    }
    return Ops;
}

// Draws operations weighted like real use: mostly moving, typing and
// deleting, now and then the heavier ones.
class TOpGenerator {
public:
    explicit TOpGenerator(uint64_t Seed) : Random(Seed) {}

    TOp Next() {
        static const struct {
            TOpKind Kind;
            int Weight;
        } Table[] = {{TOpKind::Select, 12},    {TOpKind::SetSelText, 8}, {TOpKind::Type, 14},
                     {TOpKind::Backspace, 6},  {TOpKind::Delete, 4},     {TOpKind::Copy, 3},
                     {TOpKind::Cut, 3},        {TOpKind::Paste, 4},      {TOpKind::BlockCopy, 2},
                     {TOpKind::BlockPaste, 2}, {TOpKind::Undo, 8},       {TOpKind::Redo, 4},
                     {TOpKind::UndoLevel, 1},  {TOpKind::ParAdd, 1},     {TOpKind::ParPut, 1},
                     {TOpKind::ParInsert, 1},  {TOpKind::ParDelete, 1},  {TOpKind::LinesAdd, 1},
                     {TOpKind::Update, 2},     {TOpKind::SaveLoad, 1},   {TOpKind::Layout, 1},
                     {TOpKind::UpdateMode, 1}, {TOpKind::Highlight, 1},  {TOpKind::SetAllText, 1},
                     {TOpKind::Codes, 1}};
        int Total = 0;
        for (const auto& Row : Table)
            Total += Row.Weight;
        int Roll = static_cast<int>(Random() % static_cast<uint64_t>(Total));
        TOp Op;
        for (const auto& Row : Table) {
            if (Roll < Row.Weight) {
                Op.Kind = Row.Kind;
                break;
            }
            Roll -= Row.Weight;
        }
        Op.A = static_cast<uint32_t>(Random());
        Op.B = static_cast<uint32_t>(Random());
        Op.C = static_cast<uint32_t>(Random());
        Op.D = static_cast<uint32_t>(Random());
        const bool Long = Op.Kind == TOpKind::SetAllText || Random() % 16 == 0;
        Op.S =
            Text(Long ? 60 : 6, Op.Kind == TOpKind::ParAdd || Op.Kind == TOpKind::ParPut ||
                                    Op.Kind == TOpKind::ParInsert || Op.Kind == TOpKind::LinesAdd);
        return Op;
    }

private:
    std::string Text(uint32_t MaxLength, bool OneLine) {
        std::string Out;
        const uint32_t N = static_cast<uint32_t>(Random() % (MaxLength + 1));
        for (uint32_t I = 0; I < N; ++I) {
            const char Ch = TextAlphabet[Random() % (sizeof TextAlphabet - 1)];
            Out += OneLine && (Ch == '\r' || Ch == '\n') ? '-' : Ch;
        }
        return Out;
    }
    std::mt19937_64 Random;
};

// The text as GetAllText gives it (breaks as CR LF; a lone LF is a
// character) and the selection.
struct TTextModel {
    std::string Text;
    int32_t Caret = 0;
    int32_t Length = 0;
    // StaticFormat: the five codes are toggles; a replacement closes the
    // toggles it leaves open and then tidies empty code pairs away.
    bool Codes = false;

    int32_t Size() const { return static_cast<int32_t>(Text.size()); }
    int32_t Start() const { return Length < 0 ? Caret + Length : Caret; }
    int32_t End() const { return Length < 0 ? Caret : Caret + Length; }
    std::vector<int32_t> ParStarts() const {
        std::vector<int32_t> Starts{0};
        for (int32_t I = 0; I + 1 < Size(); ++I)
            if (Text[static_cast<size_t>(I)] == '\r')
                Starts.push_back(I + 2);
        return Starts;
    }
    int32_t ParCount() const { return static_cast<int32_t>(ParStarts().size()); }
    int32_t ParStart(int32_t P) const { return ParStarts()[static_cast<size_t>(P)]; }
    int32_t ParLength(int32_t P) const {
        const auto Starts = ParStarts();
        const int32_t Next = P + 1 < static_cast<int32_t>(Starts.size())
                                 ? Starts[static_cast<size_t>(P) + 1] - 2
                                 : Size();
        return Next - Starts[static_cast<size_t>(P)];
    }
    int32_t ParOf(int32_t Offset) const {
        const auto Starts = ParStarts();
        return static_cast<int32_t>(std::upper_bound(Starts.begin(), Starts.end(), Offset) -
                                    Starts.begin()) -
               1;
    }
    bool MidBreak(int32_t Offset) const {
        return Offset > 0 && Offset < Size() && Text[static_cast<size_t>(Offset) - 1] == '\r';
    }
    // The nearest offset at or before Offset that is not inside a break.
    int32_t Settled(int32_t Offset) const { return MidBreak(Offset) ? Offset - 1 : Offset; }
    void SetSelStart(int32_t Offset) {
        Caret = std::clamp(Offset, 0, Size());
        Length = 0;
    }
    void SetSelLength(int32_t Len) {
        const int64_t Anchor = std::clamp<int64_t>(int64_t{Caret} + Len, 0, Size());
        Length = static_cast<int32_t>(Anchor - Caret);
    }
    // A CR or CR LF ends a paragraph; a lone LF stays a character.
    static std::string Normalized(const std::string& In) {
        std::string Out;
        for (size_t I = 0; I < In.size(); ++I) {
            Out += In[I];
            if (In[I] == '\r') {
                Out += '\n';
                if (I + 1 < In.size() && In[I + 1] == '\n')
                    ++I;
            }
        }
        return Out;
    }
    // The toggle bits of the codes in Bytes: bold, italic, underline,
    // highlight, alternate font.
    static uint8_t Toggles(const std::string& Bytes) {
        uint8_t State = 0;
        for (const char Ch : Bytes)
            switch (Ch) {
            case 0x02:
                State ^= 1;
                break;
            case 0x01:
                State ^= 2;
                break;
            case 0x15:
                State ^= 4;
                break;
            case 0x03:
                State ^= 16;
                break;
            case 0x04:
                State ^= 32;
                break;
            default:
                break;
            }
        return State;
    }
    // The codes that switch State's bits off: underline, italic, bold,
    // highlight, alternate font.
    static std::string Closing(uint8_t State) {
        std::string Out;
        if (State & 4)
            Out += '\x15';
        if (State & 2)
            Out += '\x01';
        if (State & 1)
            Out += '\x02';
        if (State & 16)
            Out += '\x03';
        if (State & 32)
            Out += '\x04';
        return Out;
    }
    void Replace(const std::string& New) {
        if (Length == 0 && New.empty())
            return;
        const int32_t From = Settled(Start());
        const int32_t To = Settled(End());
        std::string Inserted = Normalized(New);
        const std::string Removed =
            Text.substr(static_cast<size_t>(From), static_cast<size_t>(To - From));
        if (Codes)
            Inserted += Closing(Toggles(Inserted) ^ Toggles(Removed));
        Text.replace(static_cast<size_t>(From), static_cast<size_t>(To - From), Inserted);
        Caret = From + static_cast<int32_t>(Inserted.size());
        Length = 0;
        if (Codes)
            for (int32_t P = ParOf(From); P <= ParOf(Caret); ++P)
                Tidy(P);
    }
    // Removes code pairs that enclose nothing but other codes in paragraph
    // P; the caret follows the deletions.
    void Tidy(int32_t P) {
        const int32_t Start = ParStart(P);
        int32_t Length = ParLength(P);
        const auto At = [&](int32_t I) { return Text[static_cast<size_t>(Start + I)]; };
        const auto Erase = [&](int32_t I) {
            Text.erase(static_cast<size_t>(Start + I), 1);
            if (Caret > Start + I)
                --Caret;
            --Length;
        };
        for (int32_t I = 0; I < Length;) {
            if (IsCodeByte(At(I))) {
                int32_t K = I + 1;
                while (K < Length && IsCodeByte(At(K)) && At(K) != At(I))
                    ++K;
                if (K < Length && At(K) == At(I)) {
                    Erase(I);
                    Erase(K - 1);
                    continue;
                }
            }
            ++I;
        }
    }
    // Display columns: codes take none while they are toggles.
    int32_t ColumnOf(int32_t P, int32_t Offset) const {
        int32_t Column = 0;
        for (int32_t I = 0; I < Offset; ++I)
            if (!Codes || !IsCodeByte(Text[static_cast<size_t>(ParStart(P) + I)]))
                ++Column;
        return Column;
    }
    // The first offset of paragraph P at which Column is reached (its length
    // when the paragraph is shorter).
    int32_t OffsetOf(int32_t P, int32_t Column) const {
        const int32_t Length = ParLength(P);
        int32_t Offset = 0;
        for (int32_t Reached = 0; Offset < Length && Reached < Column; ++Offset)
            if (!Codes || !IsCodeByte(Text[static_cast<size_t>(ParStart(P) + Offset)]))
                ++Reached;
        return Offset;
    }
    // Cancelling code pairs left out, as a save with StaticFormat writes
    // each paragraph.
    static std::string Compacted(std::string Par) {
        for (size_t K = 0; K < Par.size();) {
            if (IsCodeByte(Par[K])) {
                size_t J = K + 1;
                while (J < Par.size() && IsCodeByte(Par[J]) && Par[J] != Par[K])
                    ++J;
                if (J < Par.size() && Par[J] == Par[K]) {
                    Par.erase(J, 1);
                    Par.erase(K, 1);
                    continue;
                }
            }
            ++K;
        }
        return Par;
    }
    // The bytes a save writes: the paragraphs joined by Break.
    std::string Saved(const std::string& Break) const {
        std::string Out;
        const auto Starts = ParStarts();
        for (size_t P = 0; P < Starts.size(); ++P) {
            if (P > 0)
                Out += Break;
            const std::string Par =
                Text.substr(static_cast<size_t>(Starts[P]),
                            static_cast<size_t>(ParLength(static_cast<int32_t>(P))));
            Out += Codes ? Compacted(Par) : Par;
        }
        return Out;
    }
    // The paragraphs a stream loads into: CR LF, LF CR, CR and LF each end one.
    void Load(const std::string& Bytes) {
        Text.clear();
        for (size_t I = 0; I < Bytes.size(); ++I) {
            const char Ch = Bytes[I];
            if (Ch == '\r' || Ch == '\n') {
                Text += "\r\n";
                const char Other = Ch == '\r' ? '\n' : '\r';
                if (I + 1 < Bytes.size() && Bytes[I + 1] == Other)
                    ++I;
            } else {
                Text += Ch;
            }
        }
        Caret = Length = 0;
    }
};

// Undo and redo steps whose text was compared with a known snapshot (the
// rest land inside grouped or trimmed history), over all sessions.
inline uint64_t VerifiedUndos = 0;

struct TFailure {
    size_t Step;
    std::string Message;
};

// One control in a headless window with its own clipboard, driven by
// operations and checked against the model after each.
class TControlSession {
public:
    TControlSession() : Host({400, 300}, &Board) {
        Control.SetUpdateMode(umOnNeed);
        Control.SetWordWrap(false);
        Control.SetScrollTime(0);
        Control.SetUndoMaxLevel(1 << 20);
        Control.SetUndoMaxSpace(1 << 30);
        Host.Attach(Control);
        // The line bitmap offers its byte advances, as the window's does, and
        // lines are sampled every few bytes: every operation also runs over
        // samples of measured x, their drops and their resumption.
        dynamic_cast<THeadlessCanvas&>(*Control.GetCanvas()).SetOfferByteAdvances(true);
        Control.GetLayout().SampleStep = 8;
        Host.SetFocus();
        Snapshots.assign(1, std::string());
    }
    ~TControlSession() {
        while (Depth > 0) {
            Control.EndUpdate();
            --Depth;
        }
    }
    TControlSession(const TControlSession&) = delete;
    TControlSession& operator=(const TControlSession&) = delete;

    // Runs Op and checks; returns what diverged, or an empty string.
    std::string Run(const TOp& Op) {
        try {
            const std::string Before = Model.Text;
            const int32_t Index = UndoIndex();
            if (Op.Kind == TOpKind::Undo || Op.Kind == TOpKind::Redo) {
                const std::string Problem = UndoRedo(Op);
                if (!Problem.empty())
                    return Problem;
            } else {
                Apply(Op);
                const std::string Problem = Note(Before, Index);
                if (!Problem.empty())
                    return Problem;
            }
            if (std::getenv("QUOLT_CONTROL_TRACE") != nullptr)
                std::fprintf(stderr, "%s -> undo %d/%d [%s] clip%s [%s]\n", FormatOp(Op).c_str(),
                             UndoIndex(), RecordCount(), Control.GetAllText().c_str(),
                             Clip && Clip->Block ? " (block)" : "", Clip ? Clip->Text.c_str() : "");
            return Check();
        } catch (const std::exception& Error) {
            return std::string("exception: ") + Error.what();
        }
    }

private:
    int32_t UndoIndex() { return Control.GetUndoList()->GetUndoIndex(); }
    int32_t RecordCount() { return Control.GetUndoList()->GetCount(); }
    static int32_t Within(uint32_t Raw, int32_t Lo, int32_t Hi) {
        return Lo + static_cast<int32_t>(Raw % static_cast<uint32_t>(Hi - Lo + 1));
    }
    // A caret position in the model, never inside a break.
    int32_t Position(uint32_t Raw) const { return Model.Settled(Within(Raw, 0, Model.Size())); }
    void Select(uint32_t RawStart, uint32_t RawLength) {
        const int32_t Start = Within(RawStart, -2, Model.Size() + 2);
        const int32_t Length = Within(RawLength, -Model.Size() - 2, Model.Size() + 2);
        Control.SetSelStart(Start);
        Model.SetSelStart(Start);
        Control.SetSelLength(Length);
        Model.SetSelLength(Length);
    }
    void Key(uint16_t Code) {
        Host.Send(TMessage::KeyMessage(WM_KEYDOWN, Code, 0));
        Host.Send(TMessage::KeyMessage(WM_KEYUP, Code, 0));
    }
    void Caret(uint32_t Raw) {
        const int32_t At = Position(Raw);
        Control.SetSelStart(At);
        Model.SetSelStart(At);
    }

    void Apply(const TOp& Op) {
        switch (Op.Kind) {
        case TOpKind::Select:
            Select(Op.A, Op.B);
            break;
        case TOpKind::SetSelText:
            Control.SetSelText(Op.S);
            Model.Replace(Op.S);
            break;
        case TOpKind::Type:
            for (const char Ch : Op.S) {
                if (Ch == '\n' || Ch == '\t' || IsCodeByte(Ch))
                    continue; // not typed characters here
                // Each character may continue the last record or open one,
                // so the history is noted after each.
                const std::string Before = Model.Text;
                const int32_t Index = UndoIndex();
                Host.Send(TMessage::Char(static_cast<uint8_t>(Ch)));
                if (Depth == 0) // keys are ignored inside an update bracket
                    Model.Replace(std::string(1, Ch));
                if (std::string Problem = Note(Before, Index); !Problem.empty())
                    throw std::runtime_error(Problem);
            }
            break;
        case TOpKind::Backspace:
            Caret(Op.A);
            Key(VK_BACK);
            if (Depth == 0 && Model.Caret > 0) {
                if (Model.MidBreak(Model.Caret - 1)) {
                    Model.Length = -2;
                } else {
                    // Codes before the character go with it, and so does a
                    // break before them.
                    Model.Length = -1;
                    while (Model.Codes && Model.Start() > 0 &&
                           IsCodeByte(Model.Text[static_cast<size_t>(Model.Start())]))
                        Model.Length -= Model.MidBreak(Model.Start() - 1) ? 2 : 1;
                }
                Model.Replace("");
            }
            break;
        case TOpKind::Delete:
            Caret(Op.A);
            Key(VK_DELETE);
            if (Depth == 0 && Model.Caret < Model.Size()) {
                // Codes after the caret go with the character after them.
                int32_t End = Model.Caret;
                while (Model.Codes && End < Model.Size() &&
                       IsCodeByte(Model.Text[static_cast<size_t>(End)]))
                    ++End;
                End += End < Model.Size() && Model.Text[static_cast<size_t>(End)] == '\r' ? 2 : 1;
                Model.Length = std::min(End, Model.Size()) - Model.Caret;
                Model.Replace("");
            }
            break;
        case TOpKind::Copy:
        case TOpKind::Cut: {
            Select(Op.A, Op.B);
            SetBlockOption(false);
            const std::string Selected =
                Model.Text.substr(static_cast<size_t>(Model.Start()),
                                  static_cast<size_t>(Model.End() - Model.Start()));
            if (Op.Kind == TOpKind::Copy) {
                Control.CopyToClipboard();
            } else {
                Control.CutToClipboard();
                Model.Replace("");
            }
            if (!Selected.empty())
                Clip = TClip{Selected, false};
            break;
        }
        case TOpKind::Paste:
            if (Op.C % 4 == 0)
                Select(Op.A, Op.B);
            else
                Caret(Op.A);
            SetBlockOption(false);
            Control.PasteFromClipboard();
            if (Clip)
                Model.Replace(Clip->Text);
            break;
        case TOpKind::BlockCopy:
            BlockCopy(Op);
            break;
        case TOpKind::BlockPaste:
            if (Control.GetWordWrap())
                break;
            Caret(Op.A);
            SetBlockOption(true);
            Control.PasteFromClipboard();
            if (Clip)
                Clip->Block ? ColumnPaste(Clip->Text) : Model.Replace(Clip->Text);
            break;
        case TOpKind::UndoLevel: {
            const int32_t Level = Op.A % 3 != 0 ? (1 << 20) : Within(Op.B, 1, 40);
            Control.SetUndoMaxLevel(Level);
            break;
        }
        case TOpKind::ParAdd:
            Control.GetParagraphs().Add(Op.S);
            ParagraphsAdd(Op.S);
            break;
        case TOpKind::LinesAdd:
            Control.GetLines().Add(Op.S);
            Model.Length = 0;
            ParagraphsAdd(Op.S);
            Model.SetSelStart(Model.Size());
            break;
        case TOpKind::ParPut: {
            const int32_t Index = Within(Op.A, 0, Model.ParCount() + 1);
            Control.GetParagraphs().Put(Index, Op.S);
            SetParText(Index, Op.S);
            break;
        }
        case TOpKind::ParInsert: {
            const int32_t Count = Model.ParCount();
            const int32_t Index = Within(Op.A, -1, Count + 1);
            Control.GetParagraphs().Insert(Index, Op.S);
            Model.Length = 0;
            if (Index < Count) {
                Model.SetSelStart(Model.ParStart(std::max(Index, 0)));
                Model.Replace(Op.S + "\r\n");
            } else {
                Model.SetSelStart(Model.Size());
                Model.Replace("\r\n" + Op.S);
            }
            break;
        }
        case TOpKind::ParDelete: {
            const int32_t Count = Model.ParCount();
            const int32_t Index = Within(Op.A, -1, Count);
            Control.GetParagraphs().Delete(Index);
            if (Index < 0 || Index >= Count)
                break;
            Model.SetSelStart(Model.ParStart(Index));
            Model.SetSelLength(Model.ParLength(Index) + (Index < Count - 1 ? 2 : 0));
            Model.Replace("");
            break;
        }
        case TOpKind::Update:
            if (Op.A % 2 == 1 && Depth > 0) {
                Control.EndUpdate();
                --Depth;
            } else if (Depth < 4) {
                Control.BeginUpdate();
                ++Depth;
            }
            break;
        case TOpKind::SaveLoad: {
            static const TKorvelLineBreak Breaks[] = {kbCRLF, kbLFCR, kbCR, kbLF};
            BreakIndex = Op.A % 4;
            Control.SetLineBreak(Breaks[BreakIndex]);
            TMemoryStream Stream;
            Control.SaveToStream(Stream);
            const std::string Expected = Model.Saved(BreakBytes());
            if (Stream.DataString() != Expected)
                throw std::runtime_error("saved\n  [" + Stream.DataString() + "]\nnot\n  [" +
                                         Expected + "]");
            Stream.SetPosition(0);
            Control.LoadFromStream(Stream);
            Model.Load(Expected);
            break;
        }
        case TOpKind::Codes: {
            // A change of the setting reloads a text that is not empty.
            const bool On = Op.A % 2 == 1;
            if (On == Model.Codes)
                break;
            Control.SetStaticFormat(On);
            Model.Codes = On;
            if (Model.Size() > 0)
                Model.Load(Model.Saved(BreakBytes()));
            break;
        }
        case TOpKind::Layout:
            Layout(Op);
            break;
        case TOpKind::UpdateMode: {
            static const TkvUpdateMode Modes[] = {umImmediate, umOnNeed, umBackground};
            Control.SetUpdateMode(Modes[Op.A % 3]);
            Host.PumpMessages(static_cast<int32_t>(Op.B % 8));
            break;
        }
        case TOpKind::Highlight: {
            TStringList Keys;
            static const char* const Words[] = {"abc", "xyz", "a", "<", "zz", "ab"};
            for (uint32_t I = 0; I < Op.B % 4; ++I)
                Keys.Add(Words[(Op.C + I) % 6]);
            Control.SetKeywords(Keys);
            Control.SetApplyKeyWords(Op.A % 2 == 0);
            Control.ResetHighlighting();
            Host.PumpMessages(static_cast<int32_t>(Op.D % 4));
            break;
        }
        case TOpKind::SetAllText:
            Control.SetAllText(Op.S);
            Model.Caret = 0;
            Model.Length = Model.Size();
            Model.Replace(Op.S);
            break;
        default:
            break;
        }
    }

    void SetBlockOption(bool On) {
        Control.SetOptions(On ? Control.GetOptions() | OptionBit(kvoBlockSelection)
                              : Control.GetOptions() & ~OptionBit(kvoBlockSelection));
    }

    void Layout(const TOp& Op) {
        switch (Op.A % 4) {
        case 0:
            Control.SetWordWrap(Op.B % 2 == 0);
            break;
        case 1: {
            // Down to windows narrower than a few characters.
            Host.Resize({Within(Op.B, 20, 600), Within(Op.C, 40, 400)});
            break;
        }
        case 2:
            Control.GetFont().SetHeight(-Within(Op.B, 6, 20));
            Control.RelayoutAll();
            break;
        default:
            Control.SetRightMargin(Within(Op.B, 0, 40));
            break;
        }
        Host.PumpMessages(static_cast<int32_t>(Op.D % 4));
    }

    // Column blocks exist only without word wrap (the control ignores
    // SelectBlock while wrapping).
    void BlockCopy(const TOp& Op) {
        SetBlockOption(false);
        if (Control.GetWordWrap())
            return;
        const int32_t Count = Model.ParCount();
        const int32_t P1 = Within(Op.A, 0, Count - 1);
        const int32_t P2 = Within(Op.B, 0, Count - 1);
        const int32_t C1 = Within(Op.C, 0, 8);
        const int32_t C2 = Within(Op.D, 0, 8);
        Control.SelectBlock(C1, P1, P2, C2);
        auto At = [this](int32_t P, int32_t Col) {
            return Model.ParStart(P) + Model.OffsetOf(P, Col);
        };
        Model.SetSelStart(At(P2, C2));
        Model.SetSelLength(At(P1, C1) - Model.Caret);
        if (Model.Length != 0) {
            std::string Copied;
            for (int32_t P = std::min(P1, P2); P <= std::max(P1, P2); ++P) {
                const int32_t Lo = std::min(C1, C2);
                const int32_t Hi = std::max(C1, C2);
                Copied += Model.Text.substr(static_cast<size_t>(At(P, Lo)),
                                            static_cast<size_t>(At(P, Hi) - At(P, Lo)));
                Copied += "\r\n";
            }
            Control.CopyToClipboard();
            Clip = TClip{Copied, true};
        }
        Control.SetSelStart(Model.Caret);
        Model.SetSelStart(Model.Caret);
    }

    // Each line of a column block goes in at the caret's column of
    // successive paragraphs, padded with blanks, adding paragraphs at the end.
    void ColumnPaste(const std::string& Text) {
        const int32_t Caret = Model.Settled(Model.Caret);
        const int32_t First = Model.ParOf(Caret);
        const int32_t Column = Model.ColumnOf(First, Caret - Model.ParStart(First));
        std::vector<std::string> Lines;
        size_t From = 0;
        for (size_t I = 0; I < Text.size(); ++I)
            if (Text[I] == '\r' || Text[I] == '\n') {
                Lines.push_back(Text.substr(From, I - From));
                if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
                    ++I;
                From = I + 1;
            }
        if (From < Text.size())
            Lines.push_back(Text.substr(From));
        for (size_t I = 0; I < Lines.size(); ++I) {
            const int32_t P = First + static_cast<int32_t>(I);
            if (P >= Model.ParCount())
                Model.Text += "\r\n";
            const int32_t Offset = Model.OffsetOf(P, Column);
            const int32_t Missing =
                Offset >= Model.ParLength(P) ? std::max(0, Column - Model.ColumnOf(P, Offset)) : 0;
            Model.SetSelStart(Model.ParStart(P) + Offset);
            Model.Replace(std::string(static_cast<size_t>(Missing), ' ') + Lines[I]);
        }
        Model.Length = 0;
    }

    // Setting a paragraph keeps the caret on its text, or puts it at the
    // start of its own paragraph when that is the one set.
    void SetParText(int32_t Index, const std::string& S) {
        const int32_t CaretPar = Model.ParOf(Model.Caret);
        if (Index == CaretPar)
            Model.SetSelStart(Model.ParStart(Index));
        int32_t OldCaret = Model.Caret;
        const int32_t OldLength = Model.Length;
        while (Index >= Model.ParCount()) {
            Model.SetSelStart(Model.Size());
            Model.Replace("\r\n");
        }
        Model.SetSelStart(Model.ParStart(Index));
        Model.SetSelLength(Model.ParLength(Index));
        const int32_t Before = Model.Size();
        Model.Replace(S);
        if (Index < CaretPar)
            OldCaret += Model.Size() - Before;
        Model.SetSelStart(OldCaret);
        if (Index != CaretPar)
            Model.SetSelLength(OldLength);
    }
    void ParagraphsAdd(const std::string& S) {
        const int32_t Count = Model.ParCount();
        if (Model.ParLength(Count - 1) != 0)
            SetParText(Count, S);
        else
            SetParText(Count - 1, S + "\r\n");
    }

    // Undo or redo several levels; each one that moves must give back the
    // text remembered for the position it reaches.
    std::string UndoRedo(const TOp& Op) {
        const bool IsUndo = Op.Kind == TOpKind::Undo;
        const uint32_t Levels = 1 + Op.A % 3;
        for (uint32_t L = 0; L < Levels; ++L) {
            const int32_t At = UndoIndex();
            const bool Could = IsUndo ? Control.CanUndo() : Control.CanRedo();
            if (Could != (IsUndo ? At > 0 : At < RecordCount()))
                return std::string(IsUndo ? "CanUndo" : "CanRedo") + " disagrees with the history";
            IsUndo ? Control.Undo() : Control.Redo();
            const int32_t Now = UndoIndex();
            if (!Could) {
                if (Now != At || Control.GetAllText() != Model.Text)
                    return "an unavailable undo or redo changed something";
                continue;
            }
            if (Now != At + (IsUndo ? -1 : 1))
                return "undo position moved from " + std::to_string(At) + " to " +
                       std::to_string(Now);
            const std::string Text = Control.GetAllText();
            const auto& Expected = Snapshots[static_cast<size_t>(Now)];
            if (Expected)
                ++VerifiedUndos;
            if (Expected && Text != *Expected)
                return std::string(IsUndo ? "undo" : "redo") + " to position " +
                       std::to_string(Now) + " gave\n  [" + Text + "]\nnot\n  [" + *Expected + "]";
            Model.Text = Text;
            Model.SetSelStart(Control.GetSelStart());
            Model.SetSelLength(Control.GetSelLength());
        }
        return {};
    }

    // After an operation other than undo and redo: the history moved on (the
    // redo part dropped) if and only if the text changed.
    std::string Note(const std::string& Before, int32_t Index) {
        const int32_t Now = UndoIndex();
        const int32_t Count = RecordCount();
        if (Count == 0) {
            if (Now != 0)
                return "undo position past an empty history";
            Snapshots.assign(1, Model.Text);
            return {};
        }
        const bool Changed = Model.Text != Before;
        if (!Changed && Now == Index && static_cast<int32_t>(Snapshots.size()) == Count + 1)
            return {};
        if (Changed && Now != Count)
            return "a change kept redo records (" + std::to_string(Now) + " of " +
                   std::to_string(Count) + ")";
        if (Changed && Control.CanRedo())
            return "CanRedo after a change";
        // A history at its level budget drops the oldest record for each new
        // one, which looks like a merge from outside; which records went is
        // not modelled, so then only the current text stays known.
        const bool Trimmed = !Changed || Now < Index || Count >= Control.GetUndoMaxLevel();
        if (Trimmed) {
            Snapshots.assign(static_cast<size_t>(Count) + 1, std::nullopt);
        } else {
            Snapshots.resize(static_cast<size_t>(Index) + 1);
            Snapshots.resize(static_cast<size_t>(Now) + 1); // grouped records: unknown
            // Several records: the first may have continued the last one
            // (typing on at the end of an insertion, the tidying of codes
            // adding records of its own), which then undoes to an unknown text.
            if (Now > Index + 1)
                Snapshots[static_cast<size_t>(Index)] = std::nullopt;
        }
        Snapshots[static_cast<size_t>(Now)] = Model.Text;
        return {};
    }

    std::string Check() {
        std::ostringstream Out;
        const std::string Text = Control.GetAllText();
        if (Text != Model.Text)
            Out << "text\n  [" << Text << "]\nnot\n  [" << Model.Text << "]\n";
        if (Control.GetTextLength() != Model.Size())
            Out << "TextLength " << Control.GetTextLength() << " not " << Model.Size() << "\n";
        if (Control.GetSelStart() != Model.Caret || Control.GetSelLength() != Model.Length)
            Out << "selection " << Control.GetSelStart() << "/" << Control.GetSelLength() << " not "
                << Model.Caret << "/" << Model.Length << "\n";
        if (Control.GetParagraphCount() != Model.ParCount())
            Out << "paragraphs " << Control.GetParagraphCount() << " not " << Model.ParCount()
                << "\n";
        if (static_cast<int32_t>(Snapshots.size()) != RecordCount() + 1)
            Out << "history of " << RecordCount() << " records, model " << Snapshots.size() - 1
                << "\n";
        const std::string Store = Control.GetParagraphsList().FindInconsistency(false);
        if (!Store.empty())
            Out << "store: " << Store << "\n";
        try {
            Control.CheckIntegrity();
        } catch (const std::exception& Error) {
            Out << "integrity: " << Error.what() << "\n";
        }
        return Out.str();
    }

    struct TClip {
        std::string Text;
        bool Block;
    };

    THeadlessClipboard Board;
    THeadlessHost Host;
    TKorvel Control;
    TTextModel Model;
    // The text at each undo position (unknown inside grouped steps).
    std::vector<std::optional<std::string>> Snapshots;
    std::optional<TClip> Clip;
    int32_t Depth = 0;
    // The line break saves write (kbCRLF, kbLFCR, kbCR, kbLF).
    uint32_t BreakIndex = 0;
    std::string BreakBytes() const {
        static const char* const Bytes[] = {"\r\n", "\n\r", "\r", "\n"};
        return Bytes[BreakIndex];
    }
};

// Runs Ops on a fresh control; the first divergence, if any.
inline std::optional<TFailure> RunScript(const std::vector<TOp>& Ops) {
    TControlSession Session;
    for (size_t I = 0; I < Ops.size(); ++I) {
        std::string Problem = Session.Run(Ops[I]);
        if (!Problem.empty())
            return TFailure{I, std::move(Problem)};
    }
    return std::nullopt;
}

// Shrinks a failing script: cuts it after the failing step, then deletes
// chunks (halving their size down to single operations) while it still
// fails.
inline std::vector<TOp> Shrink(std::vector<TOp> Ops, size_t FailingStep) {
    Ops.resize(FailingStep + 1);
    for (size_t Chunk = std::max<size_t>(Ops.size() / 2, 1);; Chunk /= 2) {
        for (size_t From = 0; From < Ops.size();) {
            std::vector<TOp> Trial = Ops;
            Trial.erase(Trial.begin() + static_cast<ptrdiff_t>(From),
                        Trial.begin() + static_cast<ptrdiff_t>(std::min(From + Chunk, Ops.size())));
            if (const auto Failure = RunScript(Trial)) {
                Trial.resize(Failure->Step + 1);
                Ops = std::move(Trial);
            } else {
                From += Chunk;
            }
        }
        if (Chunk == 1)
            break;
    }
    return Ops;
}

} // namespace korvel::control
