#include "ScriptReader.h"

#include "ByteMask.h"
#include "HugePages.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace wevel {

std::size_t LineScanner::find(char c, std::size_t& cache)
{
    bool& known = (c == '\n') ? lfKnown_ : crKnown_;
    if (!known || cache < pos_) {
        const void* hit = std::memchr(text_.data() + pos_, c, text_.size() - pos_);
        cache = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data())
                    : text_.size();
        known = true;
    }
    return cache;
}

LineBounds LineScanner::next()
{
    const std::size_t start = pos_;
    const std::size_t lf = find('\n', nextLf_);
    const std::size_t cr = find('\r', nextCr_);
    const std::size_t n = text_.size();
    LineBounds b{start, n, n};
    if (cr < lf) {
        b = {start, cr, (cr + 1 == lf) ? lf + 1 : cr + 1};
    } else if (lf < n) {
        b = {start, lf, lf + 1};
    }
    pos_ = b.end;
    return b;
}

std::size_t countLineFeeds(std::string_view text)
{
    return countByte(text, '\n');
}

LineBounds lineBoundsAt(std::string_view text, std::size_t start)
{
    LineScanner lines(text.substr(start));
    LineBounds b = lines.next();
    return {b.start + start, b.contentEnd + start, b.end + start};
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x + ('a' - 'A'));
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y + ('a' - 'A'));
        if (x != y)
            return false;
    }
    return true;
}

std::vector<std::string_view> splitAt(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find(separator, from);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(from));
            return parts;
        }
        parts.push_back(text.substr(from, at - from));
        from = at + 1;
    }
}

namespace {

// The first tokens of a line cut at single spaces. A world line reads at most
// nine tokens (the command word and eight arguments); the rest are ignored.
struct Tokens {
    static constexpr std::size_t kMax = 9;
    std::string_view token[kMax];
    std::size_t count = 0; // tokens stored, at most kMax
};

Tokens cutAtSpaces(std::string_view line)
{
    Tokens t;
    std::size_t from = 0;
    for (std::size_t block = 0; block < line.size(); block += 16) {
        for (unsigned spaces = byteMask16(line, block, ' '); spaces != 0; spaces &= spaces - 1) {
            const std::size_t at = block + static_cast<std::size_t>(std::countr_zero(spaces));
            if (t.count == Tokens::kMax)
                return t;
            t.token[t.count++] = line.substr(from, at - from);
            from = at + 1;
        }
    }
    if (t.count < Tokens::kMax)
        t.token[t.count++] = line.substr(from);
    return t;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// One slot of a world line: unset until a token (even an empty one) lands in it.
struct Slot {
    std::string_view text;
    bool set = false;
    void place(std::string_view token)
    {
        text = token;
        set = true;
    }
};

void readWorldLine(const Tokens& t, ScriptSink& sink)
{
    Slot world, type, chr, pass, host, port, proxy, file;
    // Tokens counted from the command word: "at least two tokens follow" the
    // one at position 2 means the line has five tokens or more.
    const bool twoFollowPosition2 = t.count >= 5;

    for (std::size_t i = 1; i < t.count && i <= 8; ++i) {
        const std::string_view tok = t.token[i];
        switch (i) {
        case 1:
            if (equalsIgnoreCase(tok, "-p"))
                proxy.place(tok);
            else if (startsWith(tok, "-T"))
                type.place(tok);
            else
                world.place(tok);
            break;
        case 2:
            if (!world.set && startsWith(tok, "-T"))
                type.place(tok);
            else if (!world.set)
                world.place(tok);
            else if (twoFollowPosition2)
                chr.place(tok);
            else
                host.place(tok);
            break;
        case 3:
            if (chr.set)
                pass.place(tok);
            else if (world.set)
                chr.place(tok);
            else
                world.place(tok);
            break;
        case 4:
            (chr.set ? pass : chr).place(tok);
            break;
        case 5:
            (pass.set ? host : pass).place(tok);
            break;
        case 6:
            (host.set ? port : host).place(tok);
            break;
        case 7:
            (port.set ? file : port).place(tok);
            break;
        case 8:
            file.place(tok);
            break;
        }
    }

    // The type flag's text after "-T", without the quotes the writer puts round it.
    std::string_view typeText;
    if (type.set) {
        typeText = type.text.substr(2);
        if (typeText.size() >= 2 && typeText.front() == '\'' && typeText.back() == '\'')
            typeText = typeText.substr(1, typeText.size() - 2);
    }
    sink.addWorldRecord(world.text, typeText, chr.text, pass.text, host.text, port.text,
                        proxy.text, file.text);
}

bool isOn(const Tokens& t)
{
    return t.count >= 2 && equalsIgnoreCase(t.token[1], "on");
}

} // namespace

void parseCommand(std::string_view strCmd, ScriptSink& sink)
{
    const Tokens t = cutAtSpaces(strCmd);
    const std::string_view strCmdObj = t.token[0];

    if (equalsIgnoreCase(strCmdObj, "/addworld")) {
        readWorldLine(t, sink);
    } else if (equalsIgnoreCase(strCmdObj, "/lcd")) {
        // The folder is the whole rest of the line: a path may hold spaces,
        // and Save writes it back whole.
        if (t.count >= 2)
            sink.setScriptFolder(strCmd.substr(strCmdObj.size() + 1));
    } else if (equalsIgnoreCase(strCmdObj, "/more")) {
        if (isOn(t))
            sink.turnOn(Switch::More);
    } else if (equalsIgnoreCase(strCmdObj, "/set")) {
        if (t.count < 2)
            return;
        const std::vector<std::string_view> arrDef = splitAt(t.token[1], '=');
        if (arrDef.size() < 2)
            return;
        if (equalsIgnoreCase(arrDef[0], "isize"))
            sink.selectChoice(Choice::ISize, arrDef[1]);
        else if (equalsIgnoreCase(arrDef[0], "matching"))
            sink.selectChoice(Choice::Matching, arrDef[1]);
    } else if (equalsIgnoreCase(strCmdObj, "/redef")) {
        if (isOn(t))
            sink.turnOn(Switch::Redef);
    } else if (equalsIgnoreCase(strCmdObj, "/visual")) {
        if (isOn(t))
            sink.turnOn(Switch::Visual);
    }
}

void readScript(std::string_view text, ScriptSink& sink)
{
    forEachCommandLine(text, [&](std::string_view line) { parseCommand(line, sink); });
}

void ScriptContents::addWorldRecord(std::string_view strWorld, std::string_view strType,
                                    std::string_view strChar, std::string_view strPass,
                                    std::string_view strHost, std::string_view strPort,
                                    std::string_view strProxy, std::string_view strFile)
{
    // Built in place: a record carries its values inside it, so a move would copy them.
    worlds.emplace_back(std::array<std::string_view, kWorldKeyCount>{
        strType, strWorld, strChar, strPass, strHost, strPort, strProxy, strFile});
}

void ScriptContents::setScriptFolder(std::string_view folder)
{
    settings.scriptFolder.assign(folder);
}

void ScriptContents::turnOn(Switch which)
{
    switch (which) {
    case Switch::Visual: settings.visual = true; break;
    case Switch::More: settings.more = true; break;
    case Switch::Redef: settings.redef = true; break;
    }
}

void ScriptContents::selectChoice(Choice which, std::string_view title)
{
    // Like a pop-up: a title that names no item leaves the selection as it was.
    // The item found is stored, which equals the title.
    if (which == Choice::ISize) {
        const auto item = std::find(kISizeItems.begin(), kISizeItems.end(), title);
        if (item != kISizeItems.end())
            settings.isize = std::string(*item);
    } else {
        const auto item = std::find(kMatchingItems.begin(), kMatchingItems.end(), title);
        if (item != kMatchingItems.end())
            settings.matching = std::string(*item);
    }
}

void reserveWorlds(std::vector<WorldRecord>& worlds, std::string_view text)
{
    // A world line takes at least ten bytes ("/addworld" and its terminator),
    // so a script of blank lines or long comments reserves little.
    const std::size_t bound = std::min(countLineFeeds(text), text.size() / 10) + 1;
    try {
        worlds.reserve(bound);
    } catch (const std::bad_alloc&) {
        return; // the list then grows as it is read
    }
    adviseHugePages(worlds.data(), worlds.capacity() * sizeof(WorldRecord));
}

ScriptContents loadScript(std::string_view text)
{
    ScriptContents contents;
    reserveWorlds(contents.worlds, text);
    readScript(text, contents);
    return contents;
}

} // namespace wevel
