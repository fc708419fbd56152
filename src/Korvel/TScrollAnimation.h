#pragma once

#include <cstdint>

namespace korvel {

// The steps of an animated scroll of both offsets toward their targets.
//
// With a positive Time the view slows down: each step covers the distance
// left times the time since the start divided by 2 x Time, so it arrives
// after at most 2 x Time ms. With a negative Time it moves at constant
// speed: each step covers the whole distance times the time since the
// previous step divided by -Time. Every step moves each axis that has not
// arrived by at least one pixel and never past its target.
class TScrollAnimation {
public:
    TScrollAnimation(int32_t FromTop, int32_t FromLeft, int32_t ToTop, int32_t ToLeft, int32_t Time,
                     uint32_t Start);

    bool Done() const { return Top == TargetTop && Left == TargetLeft; }
    int32_t GetTop() const { return Top; }
    int32_t GetLeft() const { return Left; }
    int32_t GetTargetTop() const { return TargetTop; }
    uint32_t GetPreviousTick() const { return Previous; }

    // One step at tick Now (later than the previous step's tick).
    void Step(uint32_t Now);
    // The offsets were moved by DeltaTop, DeltaLeft from outside (the top
    // kept on the same text while lines above it were formatted, or a
    // scroll made meanwhile): the targets move with them.
    void Shift(int32_t DeltaTop, int32_t DeltaLeft);

private:
    int32_t AxisStep(int32_t Current, int32_t Target, int32_t Whole, uint32_t Now) const;

    int32_t Top;
    int32_t Left;
    int32_t TargetTop;
    int32_t TargetLeft;
    int32_t WholeTop;
    int32_t WholeLeft;
    int32_t Time;
    uint32_t Start;
    uint32_t Previous;
};

} // namespace korvel
