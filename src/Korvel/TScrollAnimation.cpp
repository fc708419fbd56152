#include "Korvel/TScrollAnimation.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace korvel {

namespace {

int32_t Distance(int32_t From, int32_t To) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{To} - From, -int64_t{INT32_MAX}, int64_t{INT32_MAX}));
}

// Elapsed milliseconds, capped so that products with distances stay in 64 bits.
int64_t Elapsed(uint32_t From, uint32_t To) {
    return std::min<int64_t>(static_cast<uint32_t>(To - From), int64_t{1} << 30);
}

} // namespace

TScrollAnimation::TScrollAnimation(int32_t FromTop, int32_t FromLeft, int32_t ToTop, int32_t ToLeft,
                                   int32_t Time, uint32_t Start)
    : Top(FromTop), Left(FromLeft), TargetTop(ToTop), TargetLeft(ToLeft),
      WholeTop(Distance(FromTop, ToTop)), WholeLeft(Distance(FromLeft, ToLeft)),
      Time(Time == 0 ? 1 : Time), Start(Start), Previous(Start) {}

int32_t TScrollAnimation::AxisStep(int32_t Current, int32_t Target, int32_t Whole,
                                   uint32_t Now) const {
    const int32_t Remaining = Distance(Current, Target);
    if (Remaining == 0)
        return 0;
    int64_t Step;
    if (Time < 0)
        Step = int64_t{Whole} * Elapsed(Previous, Now) / (-int64_t{Time});
    else
        Step = int64_t{Remaining} * Elapsed(Start, Now) / (2 * int64_t{Time});
    // At least one pixel toward the target, never past it.
    if (Remaining > 0)
        return static_cast<int32_t>(std::clamp<int64_t>(Step, 1, Remaining));
    return static_cast<int32_t>(std::clamp<int64_t>(Step, Remaining, -1));
}

void TScrollAnimation::Step(uint32_t Now) {
    const int32_t StepTop = AxisStep(Top, TargetTop, WholeTop, Now);
    const int32_t StepLeft = AxisStep(Left, TargetLeft, WholeLeft, Now);
    Top += StepTop;
    Left += StepLeft;
    Previous = Now;
}

void TScrollAnimation::Shift(int32_t DeltaTop, int32_t DeltaLeft) {
    const auto Moved = [](int32_t Value, int32_t Delta) {
        return static_cast<int32_t>(
            std::clamp<int64_t>(int64_t{Value} + Delta, INT32_MIN, INT32_MAX));
    };
    Top = Moved(Top, DeltaTop);
    TargetTop = Moved(TargetTop, DeltaTop);
    Left = Moved(Left, DeltaLeft);
    TargetLeft = Moved(TargetLeft, DeltaLeft);
}

} // namespace korvel
