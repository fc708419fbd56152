#pragma once

#include <cstdint>
#include <iosfwd>

namespace korvel {

// Pixel geometry of the ports. Coordinates are signed 32-bit; the callers keep
// what they pass to a drawing surface within the 16-bit range where it matters.

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;

    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int32_t cx = 0;
    int32_t cy = 0;

    friend bool operator==(const TSize&, const TSize&) = default;
};

// A rectangle whose Right and Bottom are exclusive.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    // True when the rectangle covers no pixel (also when it is inverted).
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }

    friend bool operator==(const TRect&, const TRect&) = default;
};

// The pixels both rectangles cover (empty when they do not meet).
TRect IntersectRects(const TRect& A, const TRect& B);
// The smallest rectangle covering both; an empty one adds nothing.
TRect UnionRects(const TRect& A, const TRect& B);

// Readable output for test failures.
std::ostream& operator<<(std::ostream& Out, const TPoint& P);
std::ostream& operator<<(std::ostream& Out, const TSize& S);
std::ostream& operator<<(std::ostream& Out, const TRect& R);

} // namespace korvel
