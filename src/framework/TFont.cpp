#include "framework/TFont.h"

namespace korvel {

void TFont::Assign(const TFont& Source) {
    if (*this == Source)
        return;
    Name = Source.Name;
    Height = Source.Height;
    Color = Source.Color;
    Style = Source.Style;
    Charset = Source.Charset;
    Pitch = Source.Pitch;
    Changed();
}

bool operator==(const TFont& A, const TFont& B) {
    return A.Height == B.Height && A.Color == B.Color && A.Style == B.Style &&
           A.Charset == B.Charset && A.Pitch == B.Pitch && A.Name == B.Name;
}

} // namespace korvel
