#pragma once

#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel {

// The byte-scan kernel shared by the loader, the tag cleaner's line splitter
// and its bracket index. A byte matches when it equals one of Chars or, with
// Below above 0, when it is below Below (unsigned). Sixteen bytes are
// compared at a time where the processor allows it.

// Whether Ch matches.
template <uint8_t Below, char... Chars>
inline bool ByteMatches(char Ch) {
    if constexpr (Below > 0)
        if (static_cast<uint8_t>(Ch) < Below)
            return true;
    return ((Ch == Chars) || ...);
}

// Bit I of the result is set when byte P[I] (I < 16) matches. Reads exactly
// the 16 bytes at P.
template <uint8_t Below, char... Chars>
inline uint32_t MatchMask16(const char* P) {
#if defined(__SSE2__)
    const __m128i Block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
    __m128i Hits = _mm_setzero_si128();
    ((Hits = _mm_or_si128(Hits, _mm_cmpeq_epi8(Block, _mm_set1_epi8(Chars)))), ...);
    if constexpr (Below > 0) {
        const __m128i Limit = _mm_set1_epi8(static_cast<char>(Below - 1));
        Hits = _mm_or_si128(Hits, _mm_cmpeq_epi8(_mm_min_epu8(Block, Limit), Block));
    }
    return static_cast<uint32_t>(_mm_movemask_epi8(Hits));
#else
    uint32_t Mask = 0;
    for (int I = 0; I < 16; ++I)
        Mask |= static_cast<uint32_t>(ByteMatches<Below, Chars...>(P[I])) << I;
    return Mask;
#endif
}

// The first byte in [P, End) that matches, or End. No byte outside the range
// is read. Inlined, so short distances cost no call.
template <uint8_t Below, char... Chars>
inline const char* FindFirstMatch(const char* P, const char* End) {
    while (End - P >= 32) {
        const uint32_t Mask = MatchMask16<Below, Chars...>(P) | MatchMask16<Below, Chars...>(P + 16)
                                                                    << 16;
        if (Mask != 0)
            return P + std::countr_zero(Mask);
        P += 32;
    }
    if (End - P >= 16) {
        if (const uint32_t Mask = MatchMask16<Below, Chars...>(P); Mask != 0)
            return P + std::countr_zero(Mask);
        P += 16;
    }
    while (P < End && !ByteMatches<Below, Chars...>(*P))
        ++P;
    return P;
}

// The first byte in [P, End) that equals one of Chars, or End.
template <char... Chars>
inline const char* FindFirstOf(const char* P, const char* End) {
    return FindFirstMatch<0, Chars...>(P, End);
}

} // namespace korvel
