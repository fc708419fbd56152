#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

namespace quolt {

// Receives a line of the result; the view is valid only during the call.
using TLineVisitor = std::function<void(std::string_view Line)>;

// Collects a text that is produced piece by piece and passes on its lines
// that are not blank. A line ends at CR LF, at a lone CR or at a lone LF,
// wherever the pieces were cut; a NUL ends the text. The text is gathered in
// a buffer of a fixed size (larger only for a longer line) and split each time
// the buffer is full, so the whole text is never held at once and adding a
// piece is mostly a copy of its bytes.
class TLineSplitter {
public:
    explicit TLineSplitter(TLineVisitor Visit);

    void Add(std::string_view Piece) {
        if (Piece.size() <= Capacity - Size) {
            CopyBytes(Data.get() + Size, Piece.data(), Piece.size());
            Size += Piece.size();
        } else {
            AddBeyondRoom(Piece);
        }
    }

    void Add(char Ch) {
        if (Size < Capacity)
            Data[Size++] = Ch;
        else
            AddBeyondRoom(std::string_view(&Ch, 1));
    }

    // Ends the text, passing on every line not yet passed on.
    void Finish() { PassLines(true); }

    // True once the text has ended, by Finish or by a NUL met when the
    // gathered text was split: further pieces are ignored.
    bool Ended() const { return Done; }

private:
    // Most pieces are a few bytes (a tag name, the blanks between two tags):
    // those are copied inline, in two overlapping moves of a word each.
    static void CopyBytes(char* To, const char* From, size_t N) {
        if (N > 16)
            std::memcpy(To, From, N);
        else if (N >= 8)
            CopyOverlapping<uint64_t>(To, From, N);
        else if (N >= 4)
            CopyOverlapping<uint32_t>(To, From, N);
        else
            for (size_t i = 0; i < N; ++i)
                To[i] = From[i];
    }

    // Copies N bytes, sizeof(TWord) <= N <= 2 * sizeof(TWord).
    template <class TWord>
    static void CopyOverlapping(char* To, const char* From, size_t N) {
        TWord Head, Tail;
        std::memcpy(&Head, From, sizeof Head);
        std::memcpy(&Tail, From + N - sizeof Tail, sizeof Tail);
        std::memcpy(To, &Head, sizeof Head);
        std::memcpy(To + N - sizeof Tail, &Tail, sizeof Tail);
    }

    void AddBeyondRoom(std::string_view Piece);
    // Passes on the complete lines gathered and keeps the start of the last
    // one; with Final the last one is complete too.
    void PassLines(bool Final);
    void Pass(const char* Line, size_t Length);

    TLineVisitor Visit;
    std::unique_ptr<char[]> Data;
    size_t Capacity;
    size_t Size = 0;
    // Bytes at the start of Data (the start of an unfinished line) already
    // known to hold no line break.
    size_t Scanned = 0;
    bool Done = false;
};

} // namespace quolt
