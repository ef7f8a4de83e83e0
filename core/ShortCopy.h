#pragma once

#include <cstddef>
#include <cstring>

namespace wevel {

// Copies n bytes. A world's values are a few bytes each, and a call to
// memcpy for each of them was a sixth of the time taken to read or write a
// large script; short copies are done inline with fixed-size moves, two of
// them overlapping for the tail.
inline void copyShort(char* to, const char* from, std::size_t n)
{
    if (n > 64) {
        std::memcpy(to, from, n);
    } else if (n >= 8) {
        for (std::size_t i = 0; i + 8 <= n; i += 8)
            std::memcpy(to + i, from + i, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

} // namespace wevel
