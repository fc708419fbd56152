#include "KVSupport/ColumnConversions.h"

#include "KVSupport/FormatCodes.h"
#include "KVSupport/TParagraph.h"

#include <algorithm>
#include <climits>
#include <string_view>

namespace korvel {

namespace {

// Walks a paragraph byte by byte, keeping the column reached. Columns are
// counted in 64 bits: a long paragraph full of tabs can reach beyond the
// 32-bit range, and results are limited to it only when they are returned.
class TColumnScan {
public:
    TColumnScan(const TParagraph& Par, int32_t TabSize, bool StaticFormat)
        : Text(Par.View()), TabSize(TabSize), StaticFormat(StaticFormat) {}

    int32_t Length() const { return static_cast<int32_t>(Text.size()); }
    int32_t Offset() const { return Index; }
    int64_t Column() const { return Reached; }

    // The column after the byte at the current offset.
    int64_t ColumnAfterNext() const {
        const auto Ch = static_cast<uint8_t>(Text[static_cast<size_t>(Index)]);
        if (Ch == '\t' && TabSize > 0)
            return TabSize * (Reached / TabSize + 1);
        if (StaticFormat && IsFormatCode(Ch))
            return Reached;
        return Reached + 1;
    }

    void Pass(int64_t ColumnAfter) {
        Reached = ColumnAfter;
        ++Index;
    }

private:
    std::string_view Text;
    int64_t TabSize;
    bool StaticFormat;
    int32_t Index = 0;
    int64_t Reached = 0;
};

int32_t Limited(int64_t Column) {
    return static_cast<int32_t>(std::min<int64_t>(Column, INT32_MAX));
}

// Scans up to Column: a byte is passed while the column before it is below
// Column and the column after it is not beyond.
TColumnScan ScanToColumn(const TParagraph& Par, int32_t Column, int32_t TabSize,
                         bool StaticFormat) {
    TColumnScan Scan(Par, TabSize, StaticFormat);
    while (Scan.Offset() < Scan.Length() && Scan.Column() < Column) {
        const int64_t After = Scan.ColumnAfterNext();
        if (After > Column)
            break; // a tab spanning Column
        Scan.Pass(After);
    }
    return Scan;
}

} // namespace

int32_t ColumnToOffset(const TParagraph& Par, int32_t Column, int32_t TabSize, bool StaticFormat) {
    return ScanToColumn(Par, std::max(Column, 0), TabSize, StaticFormat).Offset();
}

int32_t OffsetToColumn(const TParagraph& Par, int32_t Offset, int32_t TabSize, bool StaticFormat) {
    TColumnScan Scan(Par, TabSize, StaticFormat);
    const int32_t Stop = std::clamp(Offset, 0, Scan.Length());
    while (Scan.Offset() < Stop)
        Scan.Pass(Scan.ColumnAfterNext());
    return Limited(Scan.Column());
}

int32_t ColumnRemainder(const TParagraph& Par, int32_t Column, int32_t TabSize, bool StaticFormat) {
    Column = std::max(Column, 0);
    return Limited(Column - ScanToColumn(Par, Column, TabSize, StaticFormat).Column());
}

} // namespace korvel
