#include "framework/TPicture.h"

#include "framework/Exceptions.h"

#include <algorithm>
#include <climits>

namespace korvel {

namespace {

constexpr TColor PixelMask = 0x00FFFFFF;

constexpr std::string_view BitmapClass = "TBitmap";
constexpr uint32_t FileHeaderSize = 14;
constexpr uint32_t InfoHeaderSize = 40;
// Extents beyond this are refused as malformed rather than allocated.
constexpr int64_t MaxPixels = int64_t{1} << 26;

void PutLE(std::string& Out, uint32_t Value, int Bytes) {
    for (int i = 0; i < Bytes; ++i)
        Out += static_cast<char>(static_cast<uint8_t>(Value >> (8 * i)));
}

uint32_t GetLE(std::string_view In, size_t At, int Bytes) {
    uint32_t Value = 0;
    for (int i = Bytes - 1; i >= 0; --i)
        Value = Value << 8 | static_cast<uint8_t>(In[At + static_cast<size_t>(i)]);
    return Value;
}

[[noreturn]] void Malformed(const std::string& What) {
    throw EReadError("Invalid picture data: " + What);
}

// Bitmap files keep a pixel as 0xAARRGGBB; a picture keeps TColor 0x00BBGGRR.
uint32_t ToFilePixel(TColor Color) {
    const auto C = static_cast<uint32_t>(Color);
    return 0xFF000000u | (C & 0xFF) << 16 | (C & 0xFF00) | (C >> 16 & 0xFF);
}

TColor FromFilePixel(uint32_t Pixel) {
    return static_cast<TColor>((Pixel & 0xFF) << 16 | (Pixel & 0xFF00) | (Pixel >> 16 & 0xFF));
}

} // namespace

TPicture::TPicture(int32_t Width, int32_t Height, TColor Fill) {
    SetSize(Width, Height, Fill);
}

void TPicture::Assign(const TPicture& Source) {
    if (*this == Source)
        return;
    Width = Source.Width;
    Height = Source.Height;
    Pixels = Source.Pixels;
    Changed();
}

void TPicture::SetSize(int32_t NewWidth, int32_t NewHeight, TColor Fill) {
    NewWidth = std::max(NewWidth, 0);
    NewHeight = std::max(NewHeight, 0);
    std::vector<TColor> NewPixels(static_cast<size_t>(NewWidth) * static_cast<size_t>(NewHeight),
                                  Fill & PixelMask);
    Pixels.swap(NewPixels);
    Width = NewWidth;
    Height = NewHeight;
    Changed();
}

TColor TPicture::GetPixel(int32_t X, int32_t Y) const {
    if (X < 0 || Y < 0 || X >= Width || Y >= Height)
        return clBlack;
    return Pixels[static_cast<size_t>(Y) * static_cast<size_t>(Width) + static_cast<size_t>(X)];
}

void TPicture::SetPixel(int32_t X, int32_t Y, TColor Color) {
    if (X < 0 || Y < 0 || X >= Width || Y >= Height)
        return;
    TColor& Pixel =
        Pixels[static_cast<size_t>(Y) * static_cast<size_t>(Width) + static_cast<size_t>(X)];
    Update(Pixel, Color & PixelMask);
}

const TColor* TPicture::GetScanLine(int32_t Y) const {
    if (Y < 0 || Y >= Height || Width == 0)
        return nullptr;
    return Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width);
}

void TPicture::SetImage(int32_t NewWidth, int32_t NewHeight, std::vector<TColor> NewPixels) {
    NewWidth = std::max(NewWidth, 0);
    NewHeight = std::max(NewHeight, 0);
    NewPixels.resize(static_cast<size_t>(NewWidth) * static_cast<size_t>(NewHeight), clBlack);
    for (TColor& Pixel : NewPixels)
        Pixel &= PixelMask;
    if (NewWidth == Width && NewHeight == Height && NewPixels == Pixels)
        return;
    Width = NewWidth;
    Height = NewHeight;
    Pixels = std::move(NewPixels);
    Changed();
}

std::string TPicture::SaveToData() const {
    if (IsEmpty())
        return {};
    const uint32_t PixelBytes = static_cast<uint32_t>(Pixels.size()) * 4;
    const uint32_t FileSize = FileHeaderSize + InfoHeaderSize + PixelBytes;
    std::string Data;
    Data.reserve(1 + BitmapClass.size() + 4 + FileSize);
    Data += static_cast<char>(BitmapClass.size());
    Data += BitmapClass;
    PutLE(Data, FileSize, 4);
    // BITMAPFILEHEADER
    Data += "BM";
    PutLE(Data, FileSize, 4);
    PutLE(Data, 0, 4);
    PutLE(Data, FileHeaderSize + InfoHeaderSize, 4);
    // BITMAPINFOHEADER: 32 bits per pixel, uncompressed.
    PutLE(Data, InfoHeaderSize, 4);
    PutLE(Data, static_cast<uint32_t>(Width), 4);
    PutLE(Data, static_cast<uint32_t>(Height), 4);
    PutLE(Data, 1, 2);
    PutLE(Data, 32, 2);
    PutLE(Data, 0, 4);
    PutLE(Data, PixelBytes, 4);
    PutLE(Data, 0, 4);
    PutLE(Data, 0, 4);
    PutLE(Data, 0, 4);
    PutLE(Data, 0, 4);
    for (int32_t Y = Height - 1; Y >= 0; --Y)
        for (int32_t X = 0; X < Width; ++X)
            PutLE(Data, ToFilePixel(GetPixel(X, Y)), 4);
    return Data;
}

void TPicture::LoadFromData(std::string_view Data) {
    if (Data.empty() || Data.size() < 1 + static_cast<size_t>(static_cast<uint8_t>(Data[0])))
        Malformed("no graphic class");
    const std::string_view Class = Data.substr(1, static_cast<uint8_t>(Data[0]));
    if (Class != BitmapClass)
        Malformed("unsupported graphic class \"" + std::string(Class) + "\"");
    std::string_view File = Data.substr(1 + Class.size());
    if (File.size() < 4)
        Malformed("no bitmap size");
    const uint32_t Size = GetLE(File, 0, 4);
    File.remove_prefix(4);
    if (Size > File.size())
        Malformed("the bitmap runs past the end of the data");
    File = File.substr(0, Size);
    if (File.size() < FileHeaderSize + InfoHeaderSize || File.substr(0, 2) != "BM")
        Malformed("not a bitmap file");
    const uint32_t Offset = GetLE(File, 10, 4);
    const uint32_t HeaderSize = GetLE(File, 14, 4);
    const auto FileWidth = static_cast<int32_t>(GetLE(File, 18, 4));
    const auto FileHeight = static_cast<int32_t>(GetLE(File, 22, 4));
    const uint32_t Bits = GetLE(File, 28, 2);
    const uint32_t Compression = GetLE(File, 30, 4);
    if (HeaderSize < InfoHeaderSize || GetLE(File, 26, 2) != 1)
        Malformed("unsupported bitmap header");
    if ((Bits != 24 && Bits != 32) || Compression != 0)
        Malformed("only uncompressed bitmaps of 24 or 32 bits per pixel are supported");
    if (FileWidth <= 0 || FileHeight == 0 || FileHeight == INT32_MIN)
        Malformed("bad bitmap extents");
    const bool TopDown = FileHeight < 0;
    const int32_t H = TopDown ? -FileHeight : FileHeight;
    if (int64_t{FileWidth} * H > MaxPixels)
        Malformed("bitmap too large");
    const size_t Stride = (static_cast<size_t>(FileWidth) * (Bits / 8) + 3) / 4 * 4;
    if (Offset > File.size() || (File.size() - Offset) / Stride < static_cast<size_t>(H))
        Malformed("the pixels run past the end of the bitmap");
    std::vector<TColor> NewPixels(static_cast<size_t>(FileWidth) * static_cast<size_t>(H));
    for (int32_t Row = 0; Row < H; ++Row) {
        const size_t Start = Offset + static_cast<size_t>(Row) * Stride;
        const int32_t Y = TopDown ? Row : H - 1 - Row;
        for (int32_t X = 0; X < FileWidth; ++X) {
            const size_t At = Start + static_cast<size_t>(X) * (Bits / 8);
            const uint32_t Pixel =
                Bits == 32 ? GetLE(File, At, 4) : (GetLE(File, At, 3) | 0xFF000000u);
            NewPixels[static_cast<size_t>(Y) * static_cast<size_t>(FileWidth) +
                      static_cast<size_t>(X)] = FromFilePixel(Pixel);
        }
    }
    SetImage(FileWidth, H, std::move(NewPixels));
}

} // namespace korvel
