#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace wevel {

// Bit i is set when byte `at + i` of `text` equals `c`, for the up to 16
// bytes from `at`. Lines are cut at every space and counted at every line
// feed; comparing 16 bytes at once does that without a call or a branch per
// byte, which is what a script of a million lines spends its time on.
inline unsigned byteMask16(std::string_view text, std::size_t at, char c)
{
    const std::size_t n = text.size() - at < 16 ? text.size() - at : 16;
#if defined(__SSE2__)
    __m128i bytes;
    if (n == 16) {
        bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    } else {
        // The end of the text: never read past it.
        char tail[16] = {};
        std::memcpy(tail, text.data() + at, n);
        bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tail));
    }
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
    return mask & ((1u << n) - 1);
#else
    unsigned mask = 0;
    for (std::size_t i = 0; i < n; ++i)
        mask |= static_cast<unsigned>(text[at + i] == c) << i;
    return mask;
#endif
}

// The number of bytes of `text` equal to `c`, 16 at a time.
inline std::size_t countByte(std::string_view text, char c)
{
    std::size_t count = 0;
    std::size_t at = 0;
#if defined(__SSE2__)
    // Matches are summed per byte lane (a match is -1, so subtract), and the
    // lanes are added up before any of them can pass 255.
    const __m128i wanted = _mm_set1_epi8(c);
    while (text.size() - at >= 16) {
        __m128i lanes = _mm_setzero_si128();
        for (int round = 0; round < 255 && text.size() - at >= 16; ++round, at += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(bytes, wanted));
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    for (; at < text.size(); ++at)
        count += text[at] == c;
    return count;
}

} // namespace wevel
