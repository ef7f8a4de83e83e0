#include "ScriptWriter.h"

#include "ShortCopy.h"
#include "ScriptReader.h"

#include <cstring>

namespace wevel {

namespace {

std::string_view onOff(bool on)
{
    return on ? "on" : "off";
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Position of the next occurrence of `needle` at or after `from`, ignoring
// ASCII case, or npos.
std::size_t findIgnoreCase(std::string_view hay, std::string_view needle, std::size_t from)
{
    if (needle.empty() || hay.size() < needle.size())
        return std::string_view::npos;
    // A first byte that is no letter (every placeholder starts with "%") is
    // found with memchr; a letter, in either case, by looking at each byte.
    const char first = needle.front();
    const bool letter = lower(first) >= 'a' && lower(first) <= 'z';
    const std::size_t last = hay.size() - needle.size();
    while (from <= last) {
        std::size_t at;
        if (letter) {
            at = from;
            while (at <= last && lower(hay[at]) != lower(first))
                ++at;
        } else {
            const void* hit = std::memchr(hay.data() + from, first, last + 1 - from);
            at = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data())
                     : std::string_view::npos;
        }
        if (at == std::string_view::npos || at > last)
            return std::string_view::npos;
        if (equalsIgnoreCase(hay.substr(at, needle.size()), needle))
            return at;
        from = at + 1;
    }
    return std::string_view::npos;
}

} // namespace

void replaceAllIgnoreCase(std::string& text, std::string_view placeholder, std::string_view value)
{
    std::size_t at = findIgnoreCase(text, placeholder, 0);
    if (at == std::string_view::npos)
        return;
    std::string out;
    out.reserve(text.size() + value.size());
    std::size_t from = 0;
    while (at != std::string_view::npos) {
        out.append(text, from, at - from);
        out.append(value);
        from = at + placeholder.size();
        at = findIgnoreCase(text, placeholder, from);
    }
    out.append(text, from, std::string::npos);
    text = std::move(out);
}

void appendWorldLine(std::string& out, const WorldRecord& world)
{
    const std::string_view proxy = world.value(WorldKey::UseProxy);
    const std::string_view file = world.value(WorldKey::UseFile);
    const std::string_view pieces[] = {
        "/addworld ", proxy, proxy.empty() ? "" : " ",
        "-T'", world.value(WorldKey::Type), "' ",
        world.value(WorldKey::World), " ",
        world.value(WorldKey::Character), " ",
        world.value(WorldKey::Pass), " ",
        world.value(WorldKey::Host), " ",
        world.value(WorldKey::Port),
        file.empty() ? "" : " ", file, "\n"};
    // Grown once and filled in place: a million lines of a dozen appends
    // each were most of the time taken to fill the template.
    std::size_t size = 0;
    for (std::string_view piece : pieces)
        size += piece.size();
    const std::size_t at = out.size();
    out.resize(at + size);
    char* to = out.data() + at;
    for (std::string_view piece : pieces) {
        copyShort(to, piece.data(), piece.size());
        to += piece.size();
    }
}

namespace {

// The size of all world lines: "/addworld -T'' ", five blanks and a line
// feed, the values, and one blank each for a proxy flag and a file argument.
std::size_t worldLinesSize(const std::vector<WorldRecord>& worlds)
{
    std::size_t size = 0;
    for (const WorldRecord& w : worlds) {
        size += 24;
        for (std::size_t k = 0; k < kWorldKeyCount; ++k)
            size += w.value(static_cast<WorldKey>(k)).size();
    }
    return size;
}

} // namespace

std::string worldLines(const std::vector<WorldRecord>& worlds)
{
    std::string strWorlds;
    strWorlds.reserve(worldLinesSize(worlds));
    for (const WorldRecord& w : worlds)
        appendWorldLine(strWorlds, w);
    return strWorlds;
}

bool fillTemplateInto(std::string text, const ScriptSettings& settings,
                      const std::vector<WorldRecord>& worlds, const ByteSink& sink)
{
    replaceAllIgnoreCase(text, "%%VISUAL%%", onOff(settings.visual));
    replaceAllIgnoreCase(text, "%%ISIZE%%", settings.isize);
    replaceAllIgnoreCase(text, "%%MORE%%", onOff(settings.more));
    replaceAllIgnoreCase(text, "%%REDEF%%", onOff(settings.redef));
    replaceAllIgnoreCase(text, "%%DEFMATCH%%", settings.matching);
    replaceAllIgnoreCase(text, "%%SCRIPTFOLDER%%", settings.scriptFolder);

    // The world lines go in last, where replaceAllIgnoreCase would put them,
    // and are searched by nothing. They are passed on a megabyte at a time:
    // building the whole script first cost more than writing it, most of it
    // spent by the kernel clearing fresh memory.
    constexpr std::string_view placeholder = "%%WORLDLIST%%";
    constexpr std::size_t kPiece = std::size_t(1) << 20;
    std::string piece;
    piece.reserve(kPiece + 4096);
    auto pass = [&] {
        const bool ok = piece.empty() || sink(piece);
        piece.clear();
        return ok;
    };
    std::size_t from = 0;
    for (std::size_t at = findIgnoreCase(text, placeholder, 0); at != std::string_view::npos;
         at = findIgnoreCase(text, placeholder, from)) {
        piece.append(text, from, at - from);
        for (const WorldRecord& w : worlds) {
            appendWorldLine(piece, w);
            if (piece.size() >= kPiece && !pass())
                return false;
        }
        from = at + placeholder.size();
    }
    piece.append(text, from, std::string::npos);
    return pass();
}

std::string fillTemplate(std::string text, const ScriptSettings& settings,
                         const std::vector<WorldRecord>& worlds)
{
    std::string out;
    fillTemplateInto(std::move(text), settings, worlds, [&out](std::string_view piece) {
        out.append(piece);
        return true;
    });
    return out;
}

std::string channelLines(const ScriptSettings& settings)
{
    std::string out;
    out.append("/visual ").append(onOff(settings.visual)).append("\n");
    out.append("/set isize=").append(settings.isize).append("\n");
    out.append("/more ").append(onOff(settings.more)).append("\n");
    out.append("/redef ").append(onOff(settings.redef)).append("\n");
    out.append("/set matching=").append(settings.matching).append("\n");
    out.append("/lcd ").append(settings.scriptFolder).append("\n");
    out.append("/echo -aCyellow +++ Saved Configuration to ~/wevelrc\n");
    return out;
}

bool holdsLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::optional<std::string> findLineBreak(const ScriptSettings& settings,
                                         const std::vector<WorldRecord>& worlds)
{
    if (holdsLineBreak(settings.scriptFolder))
        return std::string("the script folder");
    if (holdsLineBreak(settings.isize))
        return std::string("the isize setting");
    if (holdsLineBreak(settings.matching))
        return std::string("the matching setting");
    for (std::size_t i = 0; i < worlds.size(); ++i) {
        for (std::size_t k = 0; k < kWorldKeyCount; ++k) {
            const auto key = static_cast<WorldKey>(k);
            if (holdsLineBreak(worlds[i].value(key))) {
                std::string where = "the ";
                where.append(worldKeyName(key)).append(" field of world ");
                where.append(std::to_string(i + 1));
                const std::string_view name = worlds[i].value(WorldKey::World);
                if (!name.empty() && !holdsLineBreak(name))
                    where.append(" (\"").append(name).append("\")");
                return where;
            }
        }
    }
    return std::nullopt;
}

} // namespace wevel
