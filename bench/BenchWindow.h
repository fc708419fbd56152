#pragma once

#include <cstdint>

// The window the control benchmarks run in: 80 x 50 character cells of the
// headless default font (6 pixels a byte, 13 a line) plus margins of 8.
namespace bench {

constexpr int32_t Columns = 80;
constexpr int32_t Rows = 50;
constexpr int32_t CellWidth = 6;
constexpr int32_t CellHeight = 13;
constexpr int32_t ClientWidth = Columns * CellWidth + 16;
constexpr int32_t ClientHeight = Rows * CellHeight;

} // namespace bench
