#include "platform/Types.h"

#include <algorithm>
#include <ostream>

namespace korvel {

TRect IntersectRects(const TRect& A, const TRect& B) {
    return {std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
            std::min(A.Bottom, B.Bottom)};
}

TRect UnionRects(const TRect& A, const TRect& B) {
    if (A.IsEmpty())
        return B;
    if (B.IsEmpty())
        return A;
    return {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
            std::max(A.Bottom, B.Bottom)};
}

std::ostream& operator<<(std::ostream& Out, const TPoint& P) {
    return Out << '(' << P.X << ", " << P.Y << ')';
}

std::ostream& operator<<(std::ostream& Out, const TSize& S) {
    return Out << S.cx << " x " << S.cy;
}

std::ostream& operator<<(std::ostream& Out, const TRect& R) {
    return Out << '(' << R.Left << ", " << R.Top << ", " << R.Right << ", " << R.Bottom << ')';
}

} // namespace korvel
