#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

// A failed property stops the run the way a crash does, so libFuzzer keeps
// the input that broke it as a crash artifact.
[[noreturn]] inline void fuzzFail(const char* file, int line, const char* what)
{
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond, what)                                                                     \
    do {                                                                                           \
        if (!(cond))                                                                               \
            fuzzFail(__FILE__, __LINE__, what);                                                    \
    } while (0)

namespace fuzzref {

// ASCII-only case folding, written out here rather than borrowed from the
// core so the harnesses do not check the core against itself.
inline char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool sameIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    return true;
}

// Whether `needle` occurs in `hay` at `at`, ignoring ASCII case.
inline bool occursAt(std::string_view hay, std::size_t at, std::string_view needle)
{
    return at <= hay.size() && hay.size() - at >= needle.size() &&
           sameIgnoringAsciiCase(hay.substr(at, needle.size()), needle);
}

inline bool containsIgnoringAsciiCase(std::string_view hay, std::string_view needle)
{
    for (std::size_t at = 0; at + needle.size() <= hay.size(); ++at)
        if (occursAt(hay, at, needle))
            return true;
    return false;
}

} // namespace fuzzref
