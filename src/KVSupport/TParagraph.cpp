#include "KVSupport/TParagraph.h"

#include "KVSupport/TextBuffer.h"

#include <memory>

namespace korvel {

void TParagraph::SetParLength(int32_t Length) {
    if (!HasExtra() && Length < CompactLengthLimit)
        Slot.Compact.Length = static_cast<uint16_t>(Length);
    else
        AttachExtra().Length = Length;
}

void TParagraph::SetRunCount(int32_t N) {
    if (N < 0)
        N = 0;
    if (N > 0 || HasExtra()) {
        AttachExtra().Runs.resize(static_cast<size_t>(N), HighlightRun{});
        DropLineSamplesFrom(0);
    }
}

void TParagraph::SetStartCodeState(uint8_t State) {
    if (State != 0 || HasExtra())
        AttachExtra().Line0.StartCodeState = State;
}

void TParagraph::SetStartRun(const HighlightRun* Run, bool Copy) {
    if (Run == nullptr)
        Run = &DefaultRun();
    // Widths depend on the start run's flags only.
    if (Run->Flags != StartRun()->Flags)
        DropLineSamplesFrom(0);
    if ((Run->Flags & hfAutomatic) != 0) {
        ParExtraInfo& Extra = AttachExtra();
        const HighlightRun* Taken = Copy ? NewSharedRun(*Run) : ShareRun(Run);
        ReleaseSharedRun(Extra.StartRun);
        Extra.StartRun = Taken;
    } else if (HasExtra()) {
        ReleaseSharedRun(Slot.Extra->StartRun);
        Slot.Extra->StartRun = &DefaultRun();
    }
}

TLineRecord TParagraph::GetLine0() const {
    if (HasExtra())
        return Slot.Extra->Line0;
    return TLineRecord::Whole(Slot.Compact.Length, Slot.Compact.Width);
}

void TParagraph::SetLine0(const TLineRecord& Line) {
    if (!HasExtra()) {
        const int32_t Length = Slot.Compact.Length;
        if (Line.Stop == Length && Line.Width >= 0 && Line.Width <= 65535 &&
            Line.JustifyFrom >= Length && Line.StartCodeState == 0) {
            Slot.Compact.Width = static_cast<uint16_t>(Line.Width);
            return;
        }
    }
    AttachExtra().Line0 = Line;
}

ParExtraInfo& TParagraph::AttachExtra() {
    if (!HasExtra()) {
        auto Extra = std::make_unique<ParExtraInfo>(Slot.Compact.Length, Slot.Compact.Width);
        Slot.Extra = Extra.release(); // owned by the record from here on (see Release)
        Flags |= pfExtra;
    }
    return *Slot.Extra;
}

void TParagraph::MakeTextOwned() {
    if ((Flags & pfOwnText) != 0)
        return;
    const int32_t Length = ParLength();
    Text = Length > 0 ? NewTextBuffer(Text, Length, Length + 1) : nullptr;
    Flags |= pfOwnText;
}

void TParagraph::Release() {
    if ((Flags & pfOwnText) != 0)
        FreeTextBuffer(Text);
    if (HasExtra())
        std::unique_ptr<ParExtraInfo>{Slot.Extra}.reset(); // also gives up the start run
    *this = Empty(StartOffset, FirstLine);
}

} // namespace korvel
