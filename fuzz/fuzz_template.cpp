// Arbitrary template text and arbitrary values into wevel::fillTemplate,
// compared with a plain replace-all written out here. The placeholders are
// filled one after another in the order VISUAL, ISIZE, MORE, REDEF,
// DEFMATCH, SCRIPTFOLDER, WORLDLIST; each fill runs left to right over the
// whole current text, ignores ASCII case, takes non-overlapping matches and
// does not search what it has just put in.
//
// Beyond equal output, two things are checked:
// - No placeholder is left standing in text that came from the template
//   unchanged: every one there had its turn to be filled.
// - When the values hold no '%' (the world lines may hold any '%' but no
//   placeholder, since nothing searches them) and the template cannot form a
//   placeholder across the edge of a filled value, nothing placeholder-like
//   remains at all. "Cannot form" is checked conservatively: every '%' of the
//   template lies in a placeholder, no two placeholders overlap or touch, and
//   between two of them there is at least one byte that is no ASCII letter.
//   Then every "%%" pair in the text is the head or the tail of an unfilled
//   placeholder, and a tail is never followed by a letter, so each fill can
//   only match the placeholders the template itself holds.

#include "FuzzCheck.h"

#include "ScriptWriter.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::array<std::string_view, 7> kPlaceholders = {
    "%%VISUAL%%", "%%ISIZE%%",        "%%MORE%%",     "%%REDEF%%",
    "%%DEFMATCH%%", "%%SCRIPTFOLDER%%", "%%WORLDLIST%%"};

// Where a byte of the filled text came from: the template (fill == -1, at
// `offset`), or the value put in by the fill with that index.
struct Origin {
    int fill;
    std::size_t offset;
};

struct Traced {
    std::string text;
    std::vector<Origin> origin;
};

void referenceFill(Traced& t, int fill, std::string_view value)
{
    const std::string_view placeholder = kPlaceholders[static_cast<std::size_t>(fill)];
    Traced out;
    out.text.reserve(t.text.size());
    out.origin.reserve(t.text.size());
    std::size_t i = 0;
    while (i < t.text.size()) {
        if (fuzzref::occursAt(t.text, i, placeholder)) {
            out.text.append(value);
            for (std::size_t k = 0; k < value.size(); ++k)
                out.origin.push_back({fill, k});
            i += placeholder.size();
        } else {
            out.text.push_back(t.text[i]);
            out.origin.push_back(t.origin[i]);
            ++i;
        }
    }
    t = std::move(out);
}

// The same replace-all for any needle; an empty one matches nowhere.
std::string referenceReplaceAll(std::string_view text, std::string_view needle,
                                std::string_view value)
{
    if (needle.empty())
        return std::string(text);
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (fuzzref::occursAt(text, i, needle)) {
            out.append(value);
            i += needle.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

std::string referenceWorldLine(const wevel::WorldRecord& w)
{
    using K = wevel::WorldKey;
    std::string line = "/addworld ";
    if (!w.value(K::UseProxy).empty())
        line += std::string(w.value(K::UseProxy)) + " ";
    line += "-T'" + std::string(w.value(K::Type)) + "' " + std::string(w.value(K::World)) + " " +
            std::string(w.value(K::Character)) + " " + std::string(w.value(K::Pass)) + " " +
            std::string(w.value(K::Host)) + " " + std::string(w.value(K::Port));
    if (!w.value(K::UseFile).empty())
        line += " " + std::string(w.value(K::UseFile));
    return line + "\n";
}

bool holdsPlaceholder(std::string_view text)
{
    for (std::string_view p : kPlaceholders)
        if (fuzzref::containsIgnoringAsciiCase(text, p))
            return true;
    return false;
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The conservative "no placeholder can form across a value's edge" test on
// the template, described at the top of the file.
bool placeholdersStandApart(std::string_view tpl)
{
    std::vector<std::pair<std::size_t, std::size_t>> found; // [begin, end)
    for (std::size_t at = 0; at < tpl.size(); ++at)
        for (std::string_view p : kPlaceholders)
            if (fuzzref::occursAt(tpl, at, p))
                found.emplace_back(at, at + p.size());
    // `found` is sorted by start; no two placeholders start at one byte.
    std::size_t covered = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (i > 0) {
            const std::size_t gapBegin = found[i - 1].second, gapEnd = found[i].first;
            if (gapEnd <= gapBegin)
                return false; // overlapping or touching
            bool nonLetter = false;
            for (std::size_t k = gapBegin; k < gapEnd; ++k)
                nonLetter = nonLetter || !isAsciiLetter(tpl[k]);
            if (!nonLetter)
                return false;
        }
        for (std::size_t k = covered; k < found[i].first; ++k)
            if (tpl[k] == '%')
                return false;
        covered = found[i].second;
    }
    for (std::size_t k = covered; k < tpl.size(); ++k)
        if (tpl[k] == '%')
            return false;
    return true;
}

// The template: the rest of the input, taken as it is, or (when `expand`)
// with "\x01 b" standing for a placeholder, so the fuzzer reaches
// placeholder-rich templates quickly: b % 8 picks the placeholder (7 gives a
// literal "\x01"), and bits of b pick lower case for some of its letters.
std::string makeTemplate(std::string raw, bool expand)
{
    if (!expand)
        return raw;
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\x01' || i + 1 == raw.size()) {
            out.push_back(raw[i]);
            continue;
        }
        const auto b = static_cast<unsigned char>(raw[++i]);
        if (b % 8 == 7) {
            out.push_back('\x01');
            continue;
        }
        std::string p(kPlaceholders[b % 8]);
        for (std::size_t k = 0; k < p.size(); ++k)
            if (isAsciiLetter(p[k]) && ((b >> 3) & (1u << (k % 5))))
                p[k] = static_cast<char>(p[k] - 'A' + 'a');
        out += p;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);

    wevel::ScriptSettings settings;
    settings.visual = in.ConsumeBool();
    settings.more = in.ConsumeBool();
    settings.redef = in.ConsumeBool();
    settings.isize = in.ConsumeRandomLengthString(32);
    settings.matching = in.ConsumeRandomLengthString(32);
    settings.scriptFolder = in.ConsumeRandomLengthString(64);

    std::vector<wevel::WorldRecord> worlds;
    const int count = in.ConsumeIntegralInRange(0, 4);
    for (int n = 0; n < count; ++n) {
        std::array<std::string, wevel::kWorldKeyCount> v;
        for (std::string& s : v)
            s = in.ConsumeRandomLengthString(16);
        worlds.push_back(wevel::WorldRecord({v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]}));
    }
    // Any needle for replaceAllIgnoreCase itself: the seven placeholders all
    // start with '%', so fillTemplate alone never reaches its letter search.
    const std::string needle = in.ConsumeRandomLengthString(12);
    const bool expand = in.ConsumeBool();
    const std::string tpl = makeTemplate(in.ConsumeRemainingBytesAsString(), expand);

    const std::string filled = wevel::fillTemplate(tpl, settings, worlds);

    std::string worldText;
    for (const wevel::WorldRecord& w : worlds)
        worldText += referenceWorldLine(w);
    const std::array<std::string_view, 7> values = {
        settings.visual ? "on" : "off", settings.isize,        settings.more ? "on" : "off",
        settings.redef ? "on" : "off",  settings.matching,     settings.scriptFolder,
        worldText};

    Traced expected{tpl, {}};
    for (std::size_t k = 0; k < tpl.size(); ++k)
        expected.origin.push_back({-1, k});
    for (std::size_t fill = 0; fill < values.size(); ++fill)
        referenceFill(expected, static_cast<int>(fill), values[fill]);

    FUZZ_CHECK(filled == expected.text, "fillTemplate differs from the plain replace-all");
    FUZZ_CHECK(wevel::worldLines(worlds) == worldText, "the world lines differ from their format");

    // No placeholder survives inside unchanged template text.
    for (std::size_t at = 0; at < filled.size(); ++at) {
        for (std::string_view p : kPlaceholders) {
            if (!fuzzref::occursAt(filled, at, p))
                continue;
            bool fromTemplateWhole = true;
            for (std::size_t k = 0; k < p.size(); ++k) {
                const Origin& o = expected.origin[at + k];
                fromTemplateWhole = fromTemplateWhole && o.fill == -1 &&
                                    o.offset == expected.origin[at].offset + k;
            }
            FUZZ_CHECK(!fromTemplateWhole, "a placeholder of the template was left unfilled");
        }
    }

    std::string replaced = tpl;
    wevel::replaceAllIgnoreCase(replaced, needle, settings.matching);
    FUZZ_CHECK(replaced == referenceReplaceAll(tpl, needle, settings.matching),
               "replaceAllIgnoreCase differs from the plain replace-all");

    bool valuesPlain = !holdsPlaceholder(worldText);
    for (std::size_t fill = 0; fill + 1 < values.size(); ++fill)
        valuesPlain = valuesPlain && values[fill].find('%') == std::string_view::npos;
    if (valuesPlain && placeholdersStandApart(tpl))
        FUZZ_CHECK(!holdsPlaceholder(filled), "placeholder text remains after filling");
    return 0;
}
