#include "Quolt_fm_Main/TLineSplitter.h"

#include "framework/ByteScan.h"

#include <algorithm>
#include <cstdint>

namespace quolt {

namespace {

// Small enough to stay in the processor's cache, large enough that splitting
// runs over many lines at a time.
constexpr size_t InitialCapacity = 128 * 1024;

} // namespace

TLineSplitter::TLineSplitter(TLineVisitor Visit)
    : Visit(std::move(Visit)), Data(std::make_unique_for_overwrite<char[]>(InitialCapacity)),
      Capacity(InitialCapacity) {}

void TLineSplitter::Pass(const char* Line, size_t Length) {
    for (size_t i = 0; i < Length; ++i)
        if (static_cast<uint8_t>(Line[i]) > 32) {
            Visit(std::string_view(Line, Length));
            return;
        }
}

void TLineSplitter::AddBeyondRoom(std::string_view Piece) {
    while (!Piece.empty() && !Done) {
        if (Size == Capacity) {
            PassLines(false);
            if (Size > Capacity / 2) { // one long line: make room for more of it
                auto Larger = std::make_unique_for_overwrite<char[]>(Capacity * 2);
                std::memcpy(Larger.get(), Data.get(), Size);
                Data = std::move(Larger);
                Capacity *= 2;
            }
        }
        const size_t N = std::min(Piece.size(), Capacity - Size);
        std::memcpy(Data.get() + Size, Piece.data(), N);
        Size += N;
        Piece.remove_prefix(N);
    }
}

void TLineSplitter::PassLines(bool Final) {
    if (Done) {
        Size = 0;
        return;
    }
    const char* const Begin = Data.get();
    const char* const End = Begin + Size;
    const char* Line = Begin;
    const char* P = Begin + Scanned;
    for (;;) {
        const char* Stop = korvel::FindFirstOf<'\r', '\n', '\0'>(P, End);
        // A CR at the very end may yet be followed by an LF of the same break.
        if (Stop == End || (*Stop == '\r' && Stop + 1 == End && !Final)) {
            P = Stop;
            break;
        }
        Pass(Line, static_cast<size_t>(Stop - Line));
        if (*Stop == '\0') {
            Done = true;
            Size = 0;
            return;
        }
        P = Stop + 1;
        if (*Stop == '\r' && P < End && *P == '\n')
            ++P;
        Line = P;
    }
    if (Final) {
        Pass(Line, static_cast<size_t>(End - Line));
        Done = true;
        Size = 0;
        return;
    }
    // Keep the unfinished line at the front.
    Size = static_cast<size_t>(End - Line);
    Scanned = static_cast<size_t>(P - Line);
    std::memmove(Data.get(), Line, Size);
}

} // namespace quolt
