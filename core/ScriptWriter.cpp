#include "ScriptWriter.h"

#include "HugePages.h"
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
    const char first = needle.front();
    const bool letter = lower(first) != first || (first >= 'a' && first <= 'z');
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
    out.append("/addworld ");
    const std::string_view proxy = world.value(WorldKey::UseProxy);
    if (!proxy.empty()) {
        out.append(proxy);
        out.push_back(' ');
    }
    out.append("-T'");
    out.append(world.value(WorldKey::Type));
    out.append("' ");
    out.append(world.value(WorldKey::World));
    out.push_back(' ');
    out.append(world.value(WorldKey::Character));
    out.push_back(' ');
    out.append(world.value(WorldKey::Pass));
    out.push_back(' ');
    out.append(world.value(WorldKey::Host));
    out.push_back(' ');
    out.append(world.value(WorldKey::Port));
    const std::string_view file = world.value(WorldKey::UseFile);
    if (!file.empty()) {
        out.push_back(' ');
        out.append(file);
    }
    out.push_back('\n');
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

std::string fillTemplate(std::string text, const ScriptSettings& settings,
                         const std::vector<WorldRecord>& worlds)
{
    replaceAllIgnoreCase(text, "%%VISUAL%%", onOff(settings.visual));
    replaceAllIgnoreCase(text, "%%ISIZE%%", settings.isize);
    replaceAllIgnoreCase(text, "%%MORE%%", onOff(settings.more));
    replaceAllIgnoreCase(text, "%%REDEF%%", onOff(settings.redef));
    replaceAllIgnoreCase(text, "%%DEFMATCH%%", settings.matching);
    replaceAllIgnoreCase(text, "%%SCRIPTFOLDER%%", settings.scriptFolder);

    // The world lines go in last, as replaceAllIgnoreCase would put them, but
    // written straight into the result: a large list is built once, not
    // built and then copied.
    constexpr std::string_view placeholder = "%%WORLDLIST%%";
    std::size_t at = findIgnoreCase(text, placeholder, 0);
    if (at == std::string_view::npos)
        return text;
    std::vector<std::size_t> places;
    for (; at != std::string_view::npos; at = findIgnoreCase(text, placeholder, at + placeholder.size()))
        places.push_back(at);
    std::string out;
    out.reserve(text.size() + places.size() * worldLinesSize(worlds));
    adviseHugePages(out.data(), out.capacity());
    std::size_t from = 0;
    for (const std::size_t place : places) {
        out.append(text, from, place - from);
        for (const WorldRecord& w : worlds)
            appendWorldLine(out, w);
        from = place + placeholder.size();
    }
    out.append(text, from, std::string::npos);
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
