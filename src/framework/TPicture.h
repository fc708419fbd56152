#pragma once

#include "framework/TGraphicsObject.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// A picture: a bitmap of Width x Height pixels, each a 32-bit 0xAARRGGBB
// value, rows from the top. Empty while either extent is 0. A value type
// like TFont (see TGraphicsObject for the OnChange handler): its owner
// repaints when it changes.
class TPicture : public TGraphicsObject {
public:
    TPicture() = default;
    TPicture(const TPicture& Other) = default;
    // Assignment is Assign: the handler of this picture stays.
    TPicture& operator=(const TPicture& Source) {
        Assign(Source);
        return *this;
    }

    // Takes the bitmap of Source; one OnChange when it differed.
    void Assign(const TPicture& Source);

    int32_t GetWidth() const { return Width; }
    int32_t GetHeight() const { return Height; }
    bool IsEmpty() const { return Width == 0 || Height == 0; }
    const std::vector<uint32_t>& GetPixels() const { return Pixels; }
    // The pixel at X, Y; 0 outside the bitmap.
    uint32_t GetPixel(int32_t X, int32_t Y) const;

    // A new bitmap; Pixels holds Width x Height values, rows from the top
    // (missing values are 0, surplus ones dropped). Negative extents count
    // as 0. One OnChange when anything differed.
    void SetImage(int32_t NewWidth, int32_t NewHeight, std::vector<uint32_t> NewPixels);
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

    friend bool operator==(const TPicture& A, const TPicture& B) {
        return A.Width == B.Width && A.Height == B.Height && A.Pixels == B.Pixels;
    }

private:
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Pixels;
};

} // namespace korvel
