#include "platform/qt/TQtFontFace.h"

#include "framework/CodePage.h"
#include "platform/qt/TQtFonts.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QString>
#include <QTextLayout>

#include <algorithm>
#include <compare>
#include <map>
#include <memory>
#include <string>

namespace korvel {

namespace {

// Only what goes into the Qt font tells faces apart.
struct TFaceKey {
    std::string Name;
    int32_t Height;
    TFontStyles Style;
    TFontPitch Pitch;

    auto operator<=>(const TFaceKey&) const = default;
};

bool IsControl(char32_t Code) {
    return Code < 0x20 || (Code >= 0x7F && Code < 0xA0);
}

// Whether a glyph's coverage map has a pixel of ink: 8-bit maps hold the
// coverage itself, 32-bit ones one coverage per colour channel.
bool HasCoverage(const QImage& Map) {
    for (int Y = 0; Y < Map.height(); ++Y) {
        const uchar* Line = Map.constScanLine(Y);
        for (int X = 0; X < Map.width(); ++X) {
            if (Map.depth() == 8 ? Line[X] != 0
                                 : (reinterpret_cast<const QRgb*>(Line)[X] & 0xFFFFFF) != 0)
                return true;
        }
    }
    return false;
}

} // namespace

const TQtFontFace& TQtFontFace::Get(const TFont& Font, TFontStyles Style) {
    static std::map<TFaceKey, std::unique_ptr<TQtFontFace>> Faces;
    Style &= fsAllStyles;
    TFaceKey Key{Font.GetName(), Font.GetHeight(), Style, Font.GetPitch()};
    auto It = Faces.find(Key);
    if (It == Faces.end())
        It = Faces
                 .emplace(std::move(Key),
                          std::make_unique<TQtFontFace>(TPrivate{}, QtFont(Font, Style)))
                 .first;
    return *It->second;
}

TQtFontFace::TQtFontFace(TPrivate, const QFont& Value) : Font(Value) {
    RawFonts.push_back(QRawFont::fromFont(Font));
    for (int Ch = 0; Ch < 256; ++Ch)
        ResolveGlyph(static_cast<uint8_t>(Ch));

    const QFontMetrics M(Font);
    Metrics.Ascent = M.ascent();
    Metrics.Descent = M.descent();
    Metrics.Height = Metrics.Ascent + Metrics.Descent;
    Metrics.InternalLeading = std::max(0, Metrics.Height - Font.pixelSize());
    Metrics.ExternalLeading = std::max(0, M.leading());
    Metrics.AveCharWidth = std::max(1, M.averageCharWidth());
    Metrics.MaxCharWidth =
        std::max({1, M.maxWidth(), *std::max_element(Advances.begin(), Advances.end())});
    Metrics.Overhang = 0;

    // Qt gives the lines' middles; keep them inside the cell.
    LineThickness = std::max(1, M.lineWidth());
    UnderlineOffset = std::clamp(M.underlinePos() - LineThickness / 2, 1,
                                 std::max(1, Metrics.Descent - LineThickness));
    StrikeOutOffset = std::clamp(M.strikeOutPos() + LineThickness / 2, LineThickness,
                                 std::max(LineThickness, Metrics.Ascent));
}

uint8_t TQtFontFace::RawFontIndex(const QRawFont& Raw) {
    for (size_t I = 0; I < RawFonts.size(); ++I)
        if (RawFonts[I] == Raw)
            return static_cast<uint8_t>(I);
    RawFonts.push_back(Raw);
    return static_cast<uint8_t>(RawFonts.size() - 1);
}

void TQtFontFace::ResolveGlyph(uint8_t Ch) {
    const char32_t Code = AnsiToUnicode(Ch);
    quint32 Glyph = 0; // the missing-glyph box of the font's own raw font
    uint8_t RawIndex = 0;
    if (!IsControl(Code)) {
        const QString Text(QChar(static_cast<char16_t>(Code)));
        const QList<quint32> Own = RawFonts[0].glyphIndexesForString(Text);
        if (!Own.isEmpty() && Own[0] != 0) {
            Glyph = Own[0];
        } else {
            // The character is not in the font: take it from the font Qt's
            // own text layout falls back to.
            QTextLayout Layout(Text, Font);
            Layout.beginLayout();
            Layout.createLine();
            Layout.endLayout();
            for (const QGlyphRun& Run : Layout.glyphRuns()) {
                const QList<quint32> Indexes = Run.glyphIndexes();
                if (!Indexes.isEmpty() && Indexes[0] != 0) {
                    Glyph = Indexes[0];
                    RawIndex = RawFontIndex(Run.rawFont());
                    break;
                }
            }
        }
    }
    Glyphs[Ch] = Glyph;
    RawFontOf[Ch] = RawIndex;
    // Only white space is looked at (a glyph rendered per byte would slow
    // the making of a face); it is blank when it has neither an outline nor
    // a pixel of coverage, so that bitmap faces keep whatever they draw.
    if (Glyph != 0 && QChar::isSpace(Code)) {
        const QRawFont& Raw = RawFonts[RawIndex];
        const QImage Coverage = Raw.alphaMapForGlyph(Glyph, QRawFont::PixelAntialiasing);
        Blank[Ch] = Raw.pathForGlyph(Glyph).isEmpty() && !HasCoverage(Coverage);
    }
    const QList<QPointF> Advance =
        RawFonts[RawIndex].advancesForGlyphIndexes(QList<quint32>{Glyph});
    Advances[Ch] = std::max(1, Advance.isEmpty() ? 0 : qRound(Advance[0].x()));
}

} // namespace korvel
