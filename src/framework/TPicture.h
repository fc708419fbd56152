#pragma once

#include "framework/TColor.h"
#include "framework/TGraphicsObject.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// A small picture held as 32-bit pixels, row by row from the top left. Each
// pixel is an explicit colour in the layout of TColor (0x00BBGGRR), so a
// pixel can be compared with a colour directly. A value type like TFont and
// TPen: copies are independent, and OnChange (see TGraphicsObject) fires
// after every change of size or pixels.
class TPicture : public TGraphicsObject {
public:
    TPicture() = default;
    // A picture of Width x Height pixels of colour Fill.
    TPicture(int32_t Width, int32_t Height, TColor Fill = clWhite);
    TPicture(const TPicture& Other) = default;
    // Assignment is Assign: the handler of this picture stays.
    TPicture& operator=(const TPicture& Source) {
        Assign(Source);
        return *this;
    }

    // Takes size and pixels of Source; one OnChange when anything differed.
    void Assign(const TPicture& Source);

    int32_t GetWidth() const { return Width; }
    int32_t GetHeight() const { return Height; }
    // True when the picture has no pixel (0 wide or 0 high).
    bool IsEmpty() const { return Width <= 0 || Height <= 0; }

    // Resizes to Width x Height (negative extents count as 0); every pixel
    // becomes Fill (its low 24 bits). A size memory cannot hold raises
    // std::bad_alloc and leaves the picture as it was.
    void SetSize(int32_t Width, int32_t Height, TColor Fill = clWhite);

    // The pixel at (X, Y); clBlack outside the picture.
    TColor GetPixel(int32_t X, int32_t Y) const;
    // Sets the pixel at (X, Y); a point outside the picture is ignored. Only
    // the low 24 bits of Color are kept (pictures hold explicit colours).
    void SetPixel(int32_t X, int32_t Y, TColor Color);
    // Row Y (Width pixels), null outside the picture.
    const TColor* GetScanLine(int32_t Y) const;
    // Every pixel, row after row (Width x Height of them).
    const std::vector<TColor>& GetPixels() const { return Pixels; }
    // A new picture of Width x Height pixels taken from NewPixels, row after
    // row (missing values are black, surplus ones dropped; only the low 24
    // bits are kept). One OnChange when anything differed.
    void SetImage(int32_t NewWidth, int32_t NewHeight, std::vector<TColor> NewPixels);
    // Empties the picture.
    void Clear() { SetImage(0, 0, {}); }

    // The picture's stored form ("Data" of a form description): the length
    // of the graphic's class name in one byte, the class name "TBitmap", the
    // length of the bitmap file in 4 bytes, and a 32-bit uncompressed
    // bitmap file (rows from the bottom, as bitmap files keep them). Empty
    // pictures have no stored form.
    std::string SaveToData() const;
    // Takes a stored form: a "TBitmap" holding an uncompressed bitmap file
    // of 24 or 32 bits per pixel, rows from the bottom or (a negative
    // height) from the top. Anything else raises EReadError and leaves the
    // picture unchanged.
    void LoadFromData(std::string_view Data);

    // Equal sizes and pixels; the handlers are not compared.
    friend bool operator==(const TPicture& A, const TPicture& B) {
        return A.Width == B.Width && A.Height == B.Height && A.Pixels == B.Pixels;
    }

private:
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<TColor> Pixels;
};

} // namespace korvel
