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

} // namespace wevel
