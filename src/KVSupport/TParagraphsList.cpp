#include "KVSupport/TParagraphsList.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/TParagraphLoader.h"
#include "KVSupport/TextBuffer.h"
#include "framework/Exceptions.h"
#include "platform/TSystemClock.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>
#include <utility>

namespace korvel {

namespace {

// Collects small writes into blocks, so that saving costs one stream call per
// 64 KB rather than two per paragraph.
class TWriteBuffer {
public:
    explicit TWriteBuffer(TStream& Stream) : Stream(Stream) {}

    void Write(std::string_view Bytes) {
        if (Bytes.empty()) // an empty paragraph may have no text at all
            return;
        if (Bytes.size() > Size - Used) {
            Flush();
            if (Bytes.size() >= Size) {
                Stream.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
                return;
            }
        }
        if (!Data)
            Data = std::make_unique_for_overwrite<char[]>(Size);
        std::memcpy(Data.get() + Used, Bytes.data(), Bytes.size());
        Used += Bytes.size();
    }

    void Flush() {
        if (Used > 0) {
            Stream.WriteBuffer(Data.get(), static_cast<int64_t>(Used));
            Used = 0;
        }
    }

private:
    static constexpr size_t Size = 1 << 16;
    TStream& Stream;
    std::unique_ptr<char[]> Data;
    size_t Used = 0;
};

std::string_view WithoutTrailingBlanks(std::string_view Text) {
    size_t Length = Text.size();
    while (Length > 0 && (Text[Length - 1] == ' ' || Text[Length - 1] == '\t'))
        --Length;
    return Text.substr(0, Length);
}

} // namespace

TParagraphsList::TParagraphsList(const TClock& Clock) : Clock(Clock) {}

TParagraphsList::TParagraphsList() : TParagraphsList(TSystemClock::Instance()) {}

TParagraphsList::~TParagraphsList() {
    ReleaseAll();
}

// From the last paragraph to the first: allocators hand freed blocks out
// again last freed first, so the extensions and runs of the next text are
// laid out in paragraph order again, as passes over the whole text (such as
// highlighting) need them to be fast.
void TParagraphsList::ReleaseAll() {
    for (int32_t I = GetCount() - 1; I >= 0; --I) {
        TParagraph& Par = At(I);
        if ((Par.Flags & (pfOwnText | pfExtra)) != 0)
            Par.Release();
    }
    SetCount(0);
    BaseOffsets = BaseLines = 0;
    ShiftStep = 0;
    PendingOffsets = PendingLines = 0;
    LoadBuffers.clear();
    FreeBufferSlots.clear();
    AppendSlot = -1;
    AppendUsed = AppendGrowth = 0;
}

void TParagraphsList::LoadText(TStream& Stream, uint8_t NullReplacement, int32_t ProgressInterval,
                               const TNotifyEvent& Progress, TKorvelLineBreak& DetectedBreak,
                               bool DiscardTrailing) {
    SettleShifts(); // the loader writes the true values of the records it appends
    try {
        TParagraphLoader(*this, Stream, NullReplacement, ProgressInterval, Progress, DetectedBreak,
                         DiscardTrailing)
            .Run();
    } catch (...) {
        ReleaseReserveBlocks();
        DropUnusedBuffers();
        ResetAfterLoad();
        throw;
    }
    ReleaseReserveBlocks();
    DropUnusedBuffers();
    ResetAfterLoad();
}

// Every loaded paragraph has one display line until it is formatted, and the
// whole text is a pending change that nothing has been formatted for.
void TParagraphsList::ResetAfterLoad() {
    const int32_t Count = GetCount();
    TextChanged = false;
    Pending.CoverAll(Count);
    Counters.ResetContext();
    Counters.MarkAllUnformatted(Count); // FormatLast: the formatter indexes up to it
    LineCount = Count;
}

void TParagraphsList::SaveText(TStream& Stream, bool CompactCodes, int32_t ProgressInterval,
                               const TNotifyEvent& Progress, TKorvelLineBreak LineBreak,
                               bool DiscardTrailing) const {
    auto* const Sender = const_cast<TParagraphsList*>(this);
    const auto Interval = static_cast<uint32_t>(std::max(ProgressInterval, 0));
    uint32_t T0 = Progress ? Clock.GetTickCount() : 0;
    const std::string_view Break = LineBreakBytes(LineBreak);
    const bool Compact = CompactCodes && StaticFormat;
    const int32_t Last = GetCount() - 1;
    TWriteBuffer Out(Stream);
    std::string Scratch;
    int32_t Index = 0;
    ForEachFrom(0, [&](const TParagraph& Par) {
        std::string_view Text = Par.View();
        if (Compact)
            Text = korvel::CompactCodes(Text, Scratch);
        if (DiscardTrailing)
            Text = WithoutTrailingBlanks(Text);
        Out.Write(Text);
        if (Index++ != Last)
            Out.Write(Break);
        if (Progress) {
            const uint32_t Now = Clock.GetTickCount();
            if (Now - T0 > Interval) {
                Out.Flush(); // the handler may look at the stream
                Progress(Sender);
                T0 = Clock.GetTickCount();
            }
        }
    });
    Out.Flush();
    if (Progress)
        Progress(Sender);
}

void TParagraphsList::ClearText() {
    ReleaseAll();
    // A load usually follows: the record memory is kept for it and released
    // when the load ends.
    ShrinkKeepingBlocks(4);
    TextLength = 0;
    LineCount = 0;
    Counters.MarkAllFormatted(0);
}

void TParagraphsList::SwapText(TParagraphsList& Other) noexcept {
    SwapRecords(Other);
    std::swap(LoadBuffers, Other.LoadBuffers);
    std::swap(FreeBufferSlots, Other.FreeBufferSlots);
    std::swap(AppendSlot, Other.AppendSlot);
    std::swap(AppendUsed, Other.AppendUsed);
    std::swap(AppendGrowth, Other.AppendGrowth);
    std::swap(TextLength, Other.TextLength);
    std::swap(LineCount, Other.LineCount);
    std::swap(TextChanged, Other.TextChanged);
    std::swap(Pending, Other.Pending);
    std::swap(Counters, Other.Counters);
    std::swap(BaseOffsets, Other.BaseOffsets);
    std::swap(BaseLines, Other.BaseLines);
    std::swap(ShiftStep, Other.ShiftStep);
    std::swap(PendingOffsets, Other.PendingOffsets);
    std::swap(PendingLines, Other.PendingLines);
}

int32_t TParagraphsList::AddEmptyParagraph() {
    const int32_t Index = GetCount();
    if (Index > 0 && TextLength > INT32_MAX - 2)
        throw Exception(STextTooLong);
    const int32_t StartOffset = Index > 0 ? TextLength + 2 : 0;
    Add(TParagraph::Empty());
    SetStartOffset(Index, StartOffset);
    SetFirstLine(Index, LineCount);
    TextLength = StartOffset;
    ++LineCount;
    return Index;
}

void TParagraphsList::MarkChanged(int32_t FirstPara, int32_t LineInFirstPara, int32_t LastPara) {
    const int32_t Count = GetCount();
    const int32_t EndLine = Count > 0 ? GetFirstLine(Count - 1) + At(Count - 1).LineCountOf() : 0;
    Pending.Merge(FirstPara, GetFirstLine(FirstPara) + LineInFirstPara, LastPara, Count, EndLine);
    Counters.InvalidateContextFrom(FirstPara);
}

void TParagraphsList::MarkAllUnformatted() {
    ForEachFrom(0, [](TParagraph& Par) { Par.Flags &= static_cast<uint8_t>(~pfFormatted); });
    Counters.MarkAllUnformatted(GetCount());
}

void TParagraphsList::ShiftBoth(int32_t From, int32_t OffsetDelta, int32_t LineDelta) {
    From = std::max(From, 0);
    if (From >= GetCount() || (OffsetDelta == 0 && LineDelta == 0))
        return;
    MoveShiftStep(From);
    PendingOffsets += static_cast<uint32_t>(OffsetDelta);
    PendingLines += static_cast<uint32_t>(LineDelta);
}

void TParagraphsList::MoveShiftStep(int32_t Index) {
    const uint32_t Offsets = PendingOffsets;
    const uint32_t Lines = PendingLines;
    if ((Offsets == 0 && Lines == 0) || Index == ShiftStep) {
        ShiftStep = Index;
        return;
    }
    const int32_t Between = std::abs(Index - ShiftStep);
    const int32_t Before = ShiftStep;
    const int32_t Behind = GetCount() - ShiftStep;
    if (Between <= std::min(Before, Behind)) {
        if (Index > ShiftStep)
            ForEachIn(ShiftStep, Index, AddDeltas(Offsets, Lines));
        else
            ForEachIn(Index, ShiftStep, AddDeltas(0u - Offsets, 0u - Lines));
    } else {
        // The pending deltas become base deltas: the records before the old
        // step, which did not lack them, give them up, or those behind it
        // take them.
        if (Before <= Behind) {
            ForEachIn(0, ShiftStep, AddDeltas(0u - Offsets, 0u - Lines));
            BaseOffsets += Offsets;
            BaseLines += Lines;
        } else {
            ForEachIn(ShiftStep, GetCount(), AddDeltas(Offsets, Lines));
        }
        PendingOffsets = PendingLines = 0;
    }
    ShiftStep = Index;
}

void TParagraphsList::SettleShifts() {
    if (BaseOffsets != 0 || BaseLines != 0)
        ForEachIn(0, ShiftStep, AddDeltas(BaseOffsets, BaseLines));
    if (BaseOffsets + PendingOffsets != 0 || BaseLines + PendingLines != 0)
        ForEachIn(ShiftStep, GetCount(),
                  AddDeltas(BaseOffsets + PendingOffsets, BaseLines + PendingLines));
    BaseOffsets = BaseLines = 0;
    PendingOffsets = PendingLines = 0;
    ShiftStep = GetCount();
}

void TParagraphsList::ReplaceSlots(int32_t First, int32_t OldCount, int32_t NewCount) {
    const int32_t Behind = First + OldCount;
    MoveShiftStep(Behind);
    if (NewCount > OldCount)
        InsertSlots(Behind, NewCount - OldCount);
    else if (NewCount < OldCount)
        DeleteSlots(First + NewCount, OldCount - NewCount);
    ShiftStep = First + NewCount;
}

void TParagraphsList::GetParagraph(int32_t Index, TParagraph& Record) const {
    Record = (*this)[Index];
    Record.StartOffset = GetStartOffset(Index);
    Record.FirstLine = GetFirstLine(Index);
}

void TParagraphsList::PutParagraph(int32_t Index, const TParagraph& Record) {
    (*this)[Index] = Record;
    SetStartOffset(Index, Record.StartOffset);
    SetFirstLine(Index, Record.FirstLine);
}

void TParagraphsList::ShrinkCapacityIfOversized() {
    const int32_t Count = GetCount();
    if (Count + Count / 16 + 8 < GetCapacity())
        SetCapacity(Count + Count / 32 + 4);
}

std::span<const char> TParagraphsList::GetLoadBuffer(int32_t Index) const {
    const TLargeBuffer& Buffer = LoadBuffers.at(static_cast<size_t>(Index)).Memory;
    return {Buffer.Chars(), Buffer.GetSize()};
}

int32_t TParagraphsList::GetLoadBufferUsers(int32_t Index) const {
    return LoadBuffers.at(static_cast<size_t>(Index)).Users;
}

int64_t TParagraphsList::GetLoadBufferBytes() const {
    int64_t Bytes = 0;
    for (const TLoadBuffer& Buffer : LoadBuffers)
        Bytes += static_cast<int64_t>(Buffer.Memory.GetSize());
    return Bytes;
}

void TParagraphsList::MakeTextOwned(int32_t Index) {
    TParagraph& Par = (*this)[Index];
    const bool Shared = Par.HasSharedText();
    const int32_t Slot = Par.BufferSlot;
    Par.MakeTextOwned();
    if (Shared)
        DropBufferUser(Slot);
}

void TParagraphsList::ReserveLoadBufferSlot() {
    if (!FreeBufferSlots.empty())
        return;
    const size_t Wanted = LoadBuffers.size() + 1;
    if (LoadBuffers.capacity() < Wanted)
        LoadBuffers.reserve(std::max<size_t>(8, 2 * LoadBuffers.size()));
    // Every slot may become free at once: DropBufferUser cannot fail then.
    if (FreeBufferSlots.capacity() < LoadBuffers.capacity())
        FreeBufferSlots.reserve(LoadBuffers.capacity());
}

int32_t TParagraphsList::AdoptLoadBuffer(TLargeBuffer&& Memory) noexcept {
    if (!FreeBufferSlots.empty()) {
        const int32_t Slot = FreeBufferSlots.back();
        FreeBufferSlots.pop_back();
        LoadBuffers[static_cast<size_t>(Slot)] = TLoadBuffer{std::move(Memory), 0};
        return Slot;
    }
    LoadBuffers.push_back(TLoadBuffer{std::move(Memory), 0}); // capacity reserved
    return static_cast<int32_t>(LoadBuffers.size() - 1);
}

void TParagraphsList::DropBufferUser(int32_t Slot) noexcept {
    TLoadBuffer& Buffer = LoadBuffers[static_cast<size_t>(Slot)];
    if (--Buffer.Users > 0)
        return;
    if (Slot == AppendSlot) {
        AppendUsed = 0; // nothing points into it any more: fill it again
        return;
    }
    Buffer.Memory = TLargeBuffer();
    FreeBufferSlots.push_back(Slot); // capacity reserved
}

void TParagraphsList::DropUnusedBuffers() noexcept {
    for (size_t Slot = 0; Slot < LoadBuffers.size(); ++Slot) {
        TLoadBuffer& Buffer = LoadBuffers[Slot];
        if (Buffer.Users == 0 && Buffer.Memory.GetSize() > 0 &&
            static_cast<int32_t>(Slot) != AppendSlot) {
            Buffer.Memory = TLargeBuffer();
            FreeBufferSlots.push_back(static_cast<int32_t>(Slot));
        }
    }
}

// Text written paragraph by paragraph (the text a program writes line by
// line) fills buffer after buffer: once they have grown to full size they
// are mapped for huge pages, starting on a 2 MiB boundary, so filling them
// costs a few page faults each. Buffers for a large insertion come from the
// heap instead: such text is often deleted again (an undone paste), and the
// allocator keeps the freed memory for the redo. Smaller buffers, which
// mapping would only round up, come from the heap too, with whatever whole
// huge pages they hold offered.
TLargeBuffer TParagraphsList::NewAppendBuffer(int64_t Size, int64_t Ahead) {
    const auto Bytes = static_cast<size_t>(Size);
    if (Size >= LoadBufferBytes && Ahead <= Size / 2)
        return TLargeBuffer(Bytes);
    TLargeBuffer Memory = TLargeBuffer::FromHeap(Bytes);
    AdviseHugePages(Memory.Data(), Memory.GetSize());
    return Memory;
}

TParagraphsList::TPlacedText TParagraphsList::PlaceText(int32_t Length, int64_t Ahead) {
    const int64_t Bytes = int64_t{Length} + 1;
    if (AppendSlot < 0 ||
        static_cast<int64_t>(LoadBuffers[static_cast<size_t>(AppendSlot)].Memory.GetSize()) -
                AppendUsed <
            Bytes) {
        const int64_t Size =
            std::max(Bytes, std::clamp(std::max(Ahead, 2 * AppendGrowth),
                                       int64_t{MinAppendBufferBytes}, int64_t{LoadBufferBytes}));
        ReserveLoadBufferSlot();
        TLargeBuffer Memory = NewAppendBuffer(Size, Ahead);
        // The old append buffer becomes an ordinary one: freed with its last user.
        if (const int32_t Old = AppendSlot; Old >= 0) {
            AppendSlot = -1;
            if (LoadBuffers[static_cast<size_t>(Old)].Users == 0) {
                LoadBuffers[static_cast<size_t>(Old)].Memory = TLargeBuffer();
                FreeBufferSlots.push_back(Old);
            }
        }
        AppendSlot = AdoptLoadBuffer(std::move(Memory));
        AppendUsed = 0;
        AppendGrowth = Size;
    }
    TLoadBuffer& Buffer = LoadBuffers[static_cast<size_t>(AppendSlot)];
    char* const Text = Buffer.Memory.Chars() + AppendUsed;
    AppendUsed += Bytes;
    ++Buffer.Users;
    return {Text, AppendSlot};
}

void TParagraphsList::ReleaseReplaceScratch() noexcept {
    constexpr size_t Kept = 4096;
    ReplacePieces.clear();
    ReplaceRecords.clear();
    if (ReplacePieces.capacity() > Kept)
        std::vector<std::string_view>().swap(ReplacePieces);
    if (ReplaceRecords.capacity() > Kept)
        std::vector<TParagraph>().swap(ReplaceRecords);
}

void TParagraphsList::ReleaseParagraph(TParagraph& Par) noexcept {
    if (Par.HasSharedText())
        DropBufferUser(Par.BufferSlot);
    Par.Release();
}

namespace {

std::string Problem(int32_t Index, const std::string& What) {
    return "paragraph " + std::to_string(Index) + ": " + What;
}

// The line records of a paragraph with extension must tile its text.
std::string LineProblem(const ParExtraInfo& Extra, int32_t Length) {
    if (Extra.Line0.Start != 0)
        return "line 0 does not start at 0";
    const TLineRecord* Prev = &Extra.Line0;
    for (const TLineRecord& Line : Extra.MoreLines) {
        if (Line.Start != Prev->Stop)
            return "a line does not start where the one before stops";
        Prev = &Line;
    }
    if (Prev->Stop != Length)
        return "the last line stops at " + std::to_string(Prev->Stop) + ", not at the length";
    if (Extra.Line0.Width > Extra.Line0.FullWidth)
        return "line 0 is wider without its hanging blanks than with them";
    return {};
}

std::string RunProblem(const ParExtraInfo& Extra) {
    for (size_t I = 1; I < Extra.Runs.size(); ++I)
        if (Extra.Runs[I].Offset <= Extra.Runs[I - 1].Offset)
            return "runs are not in ascending order of their offsets";
    const HighlightRun* Start = Extra.StartRun;
    if (Start == nullptr)
        return "no start run";
    if (!IsDefaultRun(Start) && (SharedRunCount(Start) < 1 || (Start->Flags & hfAutomatic) == 0))
        return "a start run that is neither the default nor a counted automatic run";
    return {};
}

} // namespace

std::string TParagraphsList::FindInconsistency(bool CheckLines) const {
    if (GetCapacity() != GetBlockCount() * GetPerBlock() || GetGapStart() < 0 ||
        GetGapStart() > GetCount() || GetGapLength() < 0 ||
        GetCount() + GetGapLength() > GetCapacity() ||
        (GetGapStart() == GetCount() && GetCount() + GetGapLength() != GetCapacity()))
        return "the record array's gap or capacity is out of order";
    if (ShiftStep < 0 || ShiftStep > GetCount())
        return "the shift step " + std::to_string(ShiftStep) + " lies outside the list";
    std::vector<int32_t> Users(LoadBuffers.size(), 0);
    auto InLoadBuffer = [this, &Users](const TParagraph& Par, int64_t Bytes) {
        if (Par.BufferSlot < 0 || static_cast<size_t>(Par.BufferSlot) >= LoadBuffers.size())
            return false;
        ++Users[static_cast<size_t>(Par.BufferSlot)];
        const TLargeBuffer& Memory = LoadBuffers[static_cast<size_t>(Par.BufferSlot)].Memory;
        const std::less_equal<const char*> NotAfter;
        return NotAfter(Memory.Chars(), Par.Text) &&
               NotAfter(Par.Text + Bytes, Memory.Chars() + Memory.GetSize());
    };

    int64_t Offset = 0;
    int64_t Lines = 0;
    uint8_t State = 0;
    for (int32_t I = 0; I < GetCount(); ++I) {
        const TParagraph& Par = At(I);
        const int32_t Length = Par.ParLength();
        if (Length < 0)
            return Problem(I, "negative length");
        if (!Par.HasExtra() && Par.Slot.Compact.Length >= CompactLengthLimit)
            return Problem(I, "a compact length of 65535");
        if (GetStartOffset(I) != Offset)
            return Problem(I, "StartOffset " + std::to_string(GetStartOffset(I)) + ", expected " +
                                  std::to_string(Offset));
        if (CheckLines && GetFirstLine(I) != Lines)
            return Problem(I, "FirstLine " + std::to_string(GetFirstLine(I)) + ", expected " +
                                  std::to_string(Lines));
        if (Par.Text == nullptr) {
            if (Length != 0)
                return Problem(I, "no text for a non-empty paragraph");
        } else {
            if ((Par.Flags & pfOwnText) != 0 ? TextBufferSize(Par.Text) < int64_t{Length} + 1
                                             : !InLoadBuffer(Par, int64_t{Length} + 1))
                return Problem(I, "the text and its 0 byte are not inside its buffer");
            if (Par.Text[Length] != 0)
                return Problem(I, "the text is not followed by a 0 byte");
            if (std::memchr(Par.Text, 0, static_cast<size_t>(Length)) != nullptr ||
                std::memchr(Par.Text, 13, static_cast<size_t>(Length)) != nullptr)
                return Problem(I, "a 0 or 13 byte inside the text");
        }
        if (Par.StartCodeState() != (StaticFormat ? State : 0))
            return Problem(I, "StartCodeState " + std::to_string(Par.StartCodeState()) +
                                  ", expected " + std::to_string(StaticFormat ? State : 0));
        if (StaticFormat)
            State = ToggleCodes(State, Par.View());
        if (const ParExtraInfo* Extra = Par.GetExtra()) {
            if (std::string What = LineProblem(*Extra, Length); !What.empty())
                return Problem(I, What);
            if (std::string What = RunProblem(*Extra); !What.empty())
                return Problem(I, What);
        }
        Offset += int64_t{Length} + 2;
        Lines += Par.LineCountOf();
    }
    if (GetCount() > 0)
        Offset -= 2;
    if (TextLength != Offset)
        return "TextLength " + std::to_string(TextLength) + ", expected " + std::to_string(Offset);
    if (CheckLines && LineCount != Lines)
        return "LineCount " + std::to_string(LineCount) + ", expected " + std::to_string(Lines);
    return FindBufferInconsistency(Users);
}

std::string TParagraphsList::FindBufferInconsistency(const std::vector<int32_t>& Users) const {
    size_t Free = 0;
    for (size_t Slot = 0; Slot < LoadBuffers.size(); ++Slot) {
        const TLoadBuffer& Buffer = LoadBuffers[Slot];
        const std::string Name = "load buffer " + std::to_string(Slot);
        if (Buffer.Users != Users[Slot])
            return Name + " counts " + std::to_string(Buffer.Users) + " users, " +
                   std::to_string(Users[Slot]) + " paragraphs point into it";
        const bool Held = Buffer.Memory.GetSize() > 0;
        const bool Listed = std::find(FreeBufferSlots.begin(), FreeBufferSlots.end(),
                                      static_cast<int32_t>(Slot)) != FreeBufferSlots.end();
        if (Held == Listed)
            return Name + (Held ? " is held and listed as free" : " is neither held nor free");
        if (Held && Buffer.Users == 0 && static_cast<int32_t>(Slot) != AppendSlot)
            return Name + " is held without users";
        Free += Held ? 0 : 1;
    }
    if (Free != FreeBufferSlots.size() || FreeBufferSlots.capacity() < LoadBuffers.size())
        return "the free load-buffer slots are out of order";
    if (AppendSlot >= 0) {
        if (static_cast<size_t>(AppendSlot) >= LoadBuffers.size())
            return "the append buffer lies outside the load buffers";
        const TLoadBuffer& Append = LoadBuffers[static_cast<size_t>(AppendSlot)];
        if (Append.Memory.GetSize() == 0 || AppendUsed < 0 ||
            AppendUsed > static_cast<int64_t>(Append.Memory.GetSize()) ||
            (Append.Users == 0 && AppendUsed != 0))
            return "the append buffer's fill is out of order";
    }
    return {};
}

} // namespace korvel
