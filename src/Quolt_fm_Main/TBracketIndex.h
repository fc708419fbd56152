#pragma once

#include "framework/ByteScan.h"

#include <cstdint>
#include <cstring>

namespace quolt {

// Finds the "<" and ">" of a text in order. The text is classified 64 bytes
// at a time into one bit mask per bracket, so that stepping from one bracket
// to the next, in a text where they stand every few bytes, is a few bit
// operations instead of a fresh search. Positions asked for must not go back
// before the block of the previous answer.
class TBracketIndex {
public:
    TBracketIndex(const char* Begin, const char* End) : End(End) { Load(Begin); }

    // The first "<" at or after P, or End.
    const char* NextOpen(const char* P) { return Next<true>(P); }
    // The first ">" at or after P, or End.
    const char* NextClose(const char* P) { return Next<false>(P); }

private:
    static constexpr int BlockSize = 64;

    template <bool Open>
    const char* Next(const char* P) {
        if (P >= End)
            return End;
        if (P - Block >= BlockSize)
            Load(Block + (P - Block) / BlockSize * BlockSize);
        uint64_t Mask = (Open ? Opens : Closes) & (~uint64_t{0} << (P - Block));
        while (Mask == 0) {
            if (End - Block <= BlockSize)
                return End;
            Load(Block + BlockSize);
            Mask = Open ? Opens : Closes;
        }
        return Block + __builtin_ctzll(Mask);
    }

    // Classifies the block at B; bytes past End (in the last block) are
    // never read and never match.
    void Load(const char* B) {
        Block = B;
        if (End - B >= BlockSize) {
            Classify(B);
            return;
        }
        char Tail[BlockSize] = {};
        if (End > B)
            std::memcpy(Tail, B, static_cast<size_t>(End - B));
        Classify(Tail);
    }

    void Classify(const char* Bytes) {
        Opens = 0;
        Closes = 0;
        for (int i = 0; i < BlockSize; i += 16) {
            Opens |= static_cast<uint64_t>(korvel::MatchMask16<0, '<'>(Bytes + i)) << i;
            Closes |= static_cast<uint64_t>(korvel::MatchMask16<0, '>'>(Bytes + i)) << i;
        }
    }

    const char* const End;
    const char* Block = nullptr; // the block classified, at a multiple of 64 from Begin
    uint64_t Opens = 0;
    uint64_t Closes = 0;
};

} // namespace quolt
