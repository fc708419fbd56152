#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quolt {

// The first byte in [P, End) that equals one of Chars, or End. Sixteen bytes
// are compared at a time where the processor allows it; no byte outside the
// range is read. Inlined, so short distances cost no call.
template <char... Chars>
inline const char* FindFirstOf(const char* P, const char* End) {
#if defined(__SSE2__)
    while (End - P >= 16) {
        const __m128i Block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
        const __m128i Hits = (_mm_cmpeq_epi8(Block, _mm_set1_epi8(Chars)) | ...);
        const int Mask = _mm_movemask_epi8(Hits);
        if (Mask != 0)
            return P + __builtin_ctz(static_cast<unsigned>(Mask));
        P += 16;
    }
#endif
    while (P < End && ((*P != Chars) && ...))
        ++P;
    return P;
}

} // namespace quolt
