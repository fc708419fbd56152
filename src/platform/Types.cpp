#include "platform/Types.h"

#include <ostream>

namespace korvel {

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
