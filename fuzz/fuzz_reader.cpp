// Arbitrary bytes as a startup script. The reader must never crash, and what
// it reports must match a plain re-reading done here byte by byte: one world
// record per "/addworld" line, and the same switches, choices and folders in
// the same order.

#include "FuzzCheck.h"

#include "ScriptReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Every call the reader makes, written down as one line of text each, so the
// reader's calls and the ones expected here compare as two lists.
class RecordingSink : public wevel::ScriptSink {
public:
    std::vector<std::string> calls;
    std::size_t worlds = 0;

    void addWorldRecord(std::string_view, std::string_view, std::string_view, std::string_view,
                        std::string_view, std::string_view, std::string_view strProxy,
                        std::string_view) override
    {
        // Only a proxy flag ever lands in the proxy slot.
        FUZZ_CHECK(strProxy.empty() || fuzzref::sameIgnoringAsciiCase(strProxy, "-p"),
                   "the proxy slot holds something other than -p");
        ++worlds;
        calls.emplace_back("world");
    }
    void setScriptFolder(std::string_view folder) override
    {
        calls.emplace_back("folder:" + std::string(folder));
    }
    void turnOn(wevel::Switch which) override
    {
        calls.emplace_back("on:" + std::to_string(static_cast<int>(which)));
    }
    void selectChoice(wevel::Choice which, std::string_view title) override
    {
        calls.emplace_back("choice:" + std::to_string(static_cast<int>(which)) + ":" +
                           std::string(title));
    }
};

// The text up to the first `sep`, and whether there was one.
std::string_view before(std::string_view s, char sep, bool* found = nullptr)
{
    const std::size_t at = s.find(sep);
    if (found)
        *found = at != std::string_view::npos;
    return at == std::string_view::npos ? s : s.substr(0, at);
}

// The calls one line should cause; "/addworld" lines are only counted.
void expectedCallsOf(std::string_view line, std::vector<std::string>& calls, std::size_t& worlds)
{
    bool spaced = false;
    const std::string_view word = before(line, ' ', &spaced);
    const std::string_view rest = spaced ? line.substr(word.size() + 1) : std::string_view();
    const std::string_view second = before(rest, ' ');
    auto is = [&](std::string_view command) {
        return fuzzref::sameIgnoringAsciiCase(word, command);
    };

    if (is("/addworld")) {
        ++worlds;
        calls.emplace_back("world");
    } else if (is("/lcd")) {
        if (spaced)
            calls.emplace_back("folder:" + std::string(rest));
    } else if (is("/visual") || is("/more") || is("/redef")) {
        if (spaced && fuzzref::sameIgnoringAsciiCase(second, "on")) {
            const wevel::Switch which = is("/visual") ? wevel::Switch::Visual
                                        : is("/more") ? wevel::Switch::More
                                                      : wevel::Switch::Redef;
            calls.emplace_back("on:" + std::to_string(static_cast<int>(which)));
        }
    } else if (is("/set")) {
        bool hasEquals = false;
        const std::string_view name = before(second, '=', &hasEquals);
        if (!spaced || !hasEquals)
            return;
        const std::string_view title = before(second.substr(name.size() + 1), '=');
        int which = -1;
        if (fuzzref::sameIgnoringAsciiCase(name, "isize"))
            which = static_cast<int>(wevel::Choice::ISize);
        else if (fuzzref::sameIgnoringAsciiCase(name, "matching"))
            which = static_cast<int>(wevel::Choice::Matching);
        if (which >= 0)
            calls.emplace_back("choice:" + std::to_string(which) + ":" + std::string(title));
    }
}

void checkScript(std::string_view text)
{
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();

    // Lines found with the plainest loop there is: LF, CR and CR LF each end
    // one, and the last may end at the end of the text.
    std::vector<std::string> expected;
    std::size_t expectedWorlds = 0;
    std::size_t i = 0;
    while (i < size) {
        const std::size_t start = i;
        while (i < size && data[i] != '\n' && data[i] != '\r')
            ++i;
        expectedCallsOf(text.substr(start, i - start), expected, expectedWorlds);
        if (i < size)
            i += (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') ? 2 : 1;
    }

    RecordingSink sink;
    wevel::readScript(text, sink);
    FUZZ_CHECK(sink.worlds == expectedWorlds,
               "the number of world records differs from the number of /addworld lines");
    FUZZ_CHECK(sink.calls == expected, "the reader's calls differ from the expected ones");

    // The loading path used by the window gives the same number of worlds.
    const wevel::ScriptContents contents = wevel::loadScript(text);
    FUZZ_CHECK(contents.worlds.size() == expectedWorlds,
               "loadScript keeps a different number of worlds");
}

// Scripts of four million lines in the shapes that make a line search go
// back over the same bytes: CR alone with no LF until the very end, and LF
// alone with no CR until the very end. Reading one takes about a second under
// the sanitizers when every byte is looked at a bounded number of times, and
// hours when each line searches on to the end of the text, so the -timeout of
// the runs (10 s) stops a reader that went quadratic. They are read once,
// inside the first input, where that timeout applies.
void checkLongScripts()
{
    constexpr std::size_t kLines = 1u << 22;
    const std::string world = "/addworld -T'x' w c p h 1";
    for (const char* shape : {"\r\n", "\n\r"}) {
        std::string text;
        text.reserve(kLines + 1024);
        for (std::size_t i = 0; i < kLines; ++i) {
            if (i % (1u << 18) == 0)
                text += world;
            text += shape[0];
        }
        text += world;
        text += shape[1];
        checkScript(text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool longScriptsRead = (checkLongScripts(), true);
    (void)longScriptsRead;
    checkScript(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
