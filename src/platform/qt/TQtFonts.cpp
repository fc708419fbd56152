#include "platform/qt/TQtFonts.h"

#include "framework/CodePage.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <algorithm>

namespace korvel {

namespace {

constexpr int DefaultCharHeight = 11;
constexpr int MaxCharHeight = 4096;

struct TFamilyMapping {
    const char* Name;
    const char* Families[3];
    QFont::StyleHint Hint;
};

// Names compared without regard to case, as font names are on Windows.
const TFamilyMapping FamilyMappings[] = {
    {"Courier New", {"Courier New", "Liberation Mono", nullptr}, QFont::TypeWriter},
    {"Arial", {"Arial", "Liberation Sans", nullptr}, QFont::SansSerif},
    {"Times New Roman", {"Times New Roman", "Liberation Serif", nullptr}, QFont::Serif},
    {"MS Sans Serif",
     {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans"},
     QFont::SansSerif},
};

bool IsDialogFontName(const std::string& Name) {
    return AnsiSameText(Name, "MS Shell Dlg") || AnsiSameText(Name, "MS Shell Dlg 2");
}

int CellHeight(const QFont& Font) {
    const QFontMetrics Metrics(Font);
    return Metrics.ascent() + Metrics.descent();
}

// The largest pixel size whose cell is at most CellPixels high (at least 1),
// found from the cell of a reference size and corrected by a step or two.
int PixelSizeForCell(QFont Font, int CellPixels) {
    constexpr int ReferenceSize = 100;
    Font.setPixelSize(ReferenceSize);
    const int ReferenceCell = std::max(1, CellHeight(Font));
    int Size = std::clamp(CellPixels * ReferenceSize / ReferenceCell, 1, MaxCharHeight);
    Font.setPixelSize(Size);
    while (Size > 1 && CellHeight(Font) > CellPixels)
        Font.setPixelSize(--Size);
    while (Size < MaxCharHeight) {
        Font.setPixelSize(Size + 1);
        if (CellHeight(Font) > CellPixels)
            break;
        ++Size;
    }
    return Size;
}

} // namespace

void ApplyFontFamily(QFont& Font, const std::string& Name) {
    if (IsDialogFontName(Name)) {
        const QFont Dialog = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        Font.setFamilies(Dialog.families());
        Font.setStyleHint(Dialog.styleHint());
        return;
    }
    for (const TFamilyMapping& Mapping : FamilyMappings) {
        if (!AnsiSameText(Name, Mapping.Name))
            continue;
        QStringList Families;
        for (const char* Family : Mapping.Families)
            if (Family != nullptr)
                Families << QString::fromLatin1(Family);
        Font.setFamilies(Families);
        Font.setStyleHint(Mapping.Hint);
        return;
    }
    Font.setFamilies({QString::fromStdU16String(AnsiToUtf16(Name))});
    Font.setStyleHint(QFont::AnyStyle);
}

QFont QtFont(const TFont& Font, TFontStyles Style) {
    QFont Result;
    ApplyFontFamily(Result, Font.GetName());
    if (Font.GetPitch() == fpFixed)
        Result.setFixedPitch(true);
    Result.setWeight((Style & fsBold) != 0 ? QFont::Bold : QFont::Normal);
    Result.setItalic((Style & fsItalic) != 0);
    Result.setUnderline((Style & fsUnderline) != 0);
    Result.setStrikeOut((Style & fsStrikeOut) != 0);
    Result.setKerning(false);
    Result.setHintingPreference(QFont::PreferVerticalHinting);

    const int64_t Height = Font.GetHeight();
    if (Height > 0)
        Result.setPixelSize(PixelSizeForCell(
            Result, static_cast<int>(std::min<int64_t>(Height, 2 * MaxCharHeight))));
    else
        Result.setPixelSize(Height == 0
                                ? DefaultCharHeight
                                : static_cast<int>(std::min<int64_t>(-Height, MaxCharHeight)));
    return Result;
}

} // namespace korvel
