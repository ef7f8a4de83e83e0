// Save then load: settings and worlds the window would accept, written with
// the real template, must read back exactly as they were.
//
// What is generated, and why:
// - Worlds have all six editor fields non-empty. The editor lets empty fields
//   through with a warning, and an empty field can shift the fields after it
//   on reading, so those records are outside what a round trip promises.
// - Half the worlds are raw bytes kept only when wevel::worldEntryProblem
//   accepts them (the editor's own filter). The other half are cleaned here
//   (no blank, CR or LF; World not starting with "-T"); the editor must
//   accept those, and that is checked too.
// - UseProxy is absent, "-p" or "-P"; UseFile is absent or one word without
//   blank, CR or LF: the two shapes a script read in can carry.
// - The script folder is any bytes without CR or LF (findLineBreak refuses
//   those before a Save) and without the text "%%WORLDLIST%%" in any case.
//   The world list is filled after the folder and over the whole text, so
//   such a folder would get the world lines pasted into it; that is the one
//   place a setting is searched again, and it is left out on purpose.
//   The placeholders filled before the folder cannot reach it.

#include "FuzzCheck.h"

#include "AtomicFile.h"
#include "ScriptReader.h"
#include "ScriptWriter.h"
#include "WorldLineCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef WEVEL_TEMPLATE_FILE
#error "WEVEL_TEMPLATE_FILE must name resources/template.wevelrc"
#endif

namespace {

std::string g_template;

constexpr wevel::WorldKey kKeys[] = {
    wevel::WorldKey::Type, wevel::WorldKey::World,    wevel::WorldKey::Character,
    wevel::WorldKey::Pass, wevel::WorldKey::Host,     wevel::WorldKey::Port,
    wevel::WorldKey::UseProxy, wevel::WorldKey::UseFile};

bool isBreakOrBlank(char c)
{
    return c == ' ' || c == '\r' || c == '\n';
}

// A non-empty field with every blank, CR and LF turned into an underscore.
std::string cleanField(FuzzedDataProvider& in, std::size_t maxLength)
{
    std::string s = in.ConsumeRandomLengthString(maxLength);
    for (char& c : s)
        if (isBreakOrBlank(c))
            c = '_';
    if (s.empty())
        s = "x";
    return s;
}

bool anyEmpty(const std::array<std::string, 6>& fields)
{
    for (const std::string& f : fields)
        if (f.empty())
            return true;
    return false;
}

wevel::WorldRecord makeRecord(const std::array<std::string, 6>& f, const std::string& proxy,
                              const std::string& file)
{
    return wevel::WorldRecord({f[0], f[1], f[2], f[3], f[4], f[5], proxy, file});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (const wevel::FileResult e = wevel::readWholeFile(WEVEL_TEMPLATE_FILE, g_template)) {
        std::fprintf(stderr, "cannot read the template: %s\n", e->message.c_str());
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);

    wevel::ScriptSettings settings;
    settings.visual = in.ConsumeBool();
    settings.more = in.ConsumeBool();
    settings.redef = in.ConsumeBool();
    settings.isize = in.PickValueInArray(wevel::kISizeItems);
    settings.matching = in.PickValueInArray(wevel::kMatchingItems);
    settings.scriptFolder = in.ConsumeRandomLengthString(64);
    for (char& c : settings.scriptFolder)
        if (c == '\r' || c == '\n')
            c = '/';
    if (fuzzref::containsIgnoringAsciiCase(settings.scriptFolder, "%%WORLDLIST%%"))
        return -1; // see the top of the file

    std::vector<wevel::WorldRecord> worlds;
    const int count = in.ConsumeIntegralInRange(0, 8);
    for (int n = 0; n < count && in.remaining_bytes() > 0; ++n) {
        const bool cleaned = in.ConsumeBool();
        std::array<std::string, 6> fields;
        for (std::string& f : fields)
            f = cleaned ? cleanField(in, 24) : in.ConsumeRandomLengthString(24);
        if (cleaned && fields[1].compare(0, 2, "-T") == 0)
            fields[1][1] = 't';

        static const char* const kProxies[] = {"", "-p", "-P"};
        const std::string proxy = kProxies[in.ConsumeIntegralInRange(0, 2)];
        std::string file;
        if (in.ConsumeBool()) {
            file = cleanField(in, 24);
        }

        const wevel::WorldRecord world = makeRecord(fields, proxy, file);
        const bool accepted = !wevel::worldEntryProblem(world).has_value();
        if (cleaned)
            FUZZ_CHECK(accepted, "the editor refuses a world without blanks or line breaks");
        if (accepted && !anyEmpty(fields))
            worlds.push_back(world);
    }

    const std::string script = wevel::fillTemplate(g_template, settings, worlds);
    const wevel::ScriptContents back = wevel::loadScript(script);

    FUZZ_CHECK(back.settings == settings, "the settings do not read back");
    FUZZ_CHECK(back.worlds.size() == worlds.size(), "a different number of worlds reads back");
    for (std::size_t i = 0; i < worlds.size(); ++i) {
        for (wevel::WorldKey key : kKeys)
            FUZZ_CHECK(back.worlds[i].value(key) == worlds[i].value(key),
                       "a world field does not read back");
        FUZZ_CHECK(back.worlds[i] == worlds[i], "a world record does not compare equal");
    }

    // The commands printed for the client on Save say the same as the file.
    const wevel::ScriptContents announced = wevel::loadScript(wevel::channelLines(settings));
    FUZZ_CHECK(announced.settings == settings, "the client commands do not read back");
    FUZZ_CHECK(announced.worlds.empty(), "the client commands hold a world");
    return 0;
}
