#pragma once

#include <cstdint>

// Conversions between character columns and offsets inside one paragraph,
// for column blocks, caret moves that keep their column and block pasting.
// A column is the index of a character cell: every byte is one cell wide, a
// tab reaches to the next tab stop and, while StaticFormat is on, the five
// format codes take no cell.
//
// TabSize is the control's TabStops: when positive a tab ends at the next
// multiple of it; otherwise a tab is one column wide. Columns and offsets
// given outside their range are clamped (a negative one counts as 0, an
// offset beyond the text as its length). Every routine is a linear scan from
// the paragraph's start.
namespace korvel {

struct TParagraph;

// The offset of the first byte whose cells do not lie entirely before
// Column: a tab that spans Column is not passed, zero-width codes are passed
// until Column is reached, and a Column beyond the text gives its length.
int32_t ColumnToOffset(const TParagraph& Par, int32_t Column, int32_t TabSize, bool StaticFormat);

// The column reached after the first Offset bytes.
int32_t OffsetToColumn(const TParagraph& Par, int32_t Offset, int32_t TabSize, bool StaticFormat);

// Column minus the column reached at ColumnToOffset: 0 on a byte boundary
// inside the text, the part of a tab's span before Column when Column falls
// inside a tab, and the number of columns missing when Column lies beyond the
// end of the paragraph.
int32_t ColumnRemainder(const TParagraph& Par, int32_t Column, int32_t TabSize, bool StaticFormat);

} // namespace korvel
