#pragma once

#include "framework/TColor.h"
#include "framework/TGraphicsObject.h"

#include <cstdint>
#include <string>

namespace korvel {

// A font's style set, one bit per style. The same bits are the low four bits
// of the editor's style byte, so a style byte masked with fsAllStyles is a
// font style set.
using TFontStyles = uint8_t;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;
inline constexpr TFontStyles fsAllStyles = fsBold | fsItalic | fsUnderline | fsStrikeOut;

enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };

// The character set a font is asked for (a Windows charset number).
using TFontCharset = uint8_t;
inline constexpr TFontCharset fcAnsiCharset = 0;
inline constexpr TFontCharset fcDefaultCharset = 1;

// A font description: what to ask a canvas for, not a loaded font. A value
// type: copies compare equal and are independent; see TGraphicsObject for how
// the OnChange handler travels.
//
// Height follows the framework's convention: a negative value is the character
// height in pixels (the em height, without internal leading), a positive value
// the cell height (with internal leading), 0 the canvas's default size.
class TFont : public TGraphicsObject {
public:
    TFont() = default;
    TFont(const TFont& Other) = default;
    // Assignment is Assign: the handler of this font stays and fires once when
    // anything changed.
    TFont& operator=(const TFont& Source) {
        Assign(Source);
        return *this;
    }

    // Takes every attribute of Source; one OnChange when anything differed.
    void Assign(const TFont& Source);

    const std::string& GetName() const { return Name; }
    void SetName(const std::string& Value) { Update(Name, Value); }
    int32_t GetHeight() const { return Height; }
    void SetHeight(int32_t Value) { Update(Height, Value); }
    // Bits outside fsAllStyles are dropped.
    TFontStyles GetStyle() const { return Style; }
    void SetStyle(TFontStyles Value) {
        Update(Style, static_cast<TFontStyles>(Value & fsAllStyles));
    }
    TColor GetColor() const { return Color; }
    void SetColor(TColor Value) { Update(Color, Value); }
    TFontCharset GetCharset() const { return Charset; }
    void SetCharset(TFontCharset Value) { Update(Charset, Value); }
    TFontPitch GetPitch() const { return Pitch; }
    void SetPitch(TFontPitch Value) { Update(Pitch, Value); }

    // Equal attributes; the handlers are not compared.
    friend bool operator==(const TFont& A, const TFont& B);

private:
    // A new font is the framework's default dialog font.
    std::string Name = "MS Sans Serif";
    int32_t Height = -11;
    TColor Color = clWindowText;
    TFontStyles Style = 0;
    TFontCharset Charset = fcDefaultCharset;
    TFontPitch Pitch = fpDefault;
};

} // namespace korvel
