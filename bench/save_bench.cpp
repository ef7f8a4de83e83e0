// A Save without the window: fillTemplate with the real template and the
// worlds of a script, then the atomic write.
//
//   save_bench TEMPLATE SCRIPT DEST MODE
//
// SCRIPT is loaded first (not timed) to get the worlds and settings. MODE is
//   atomic  - fillTemplate + writeFileAtomically(DEST)
//   backup  - fillTemplate + saveWithBackup(DEST), which also keeps DEST.bak
// Prints the timed part in milliseconds, split into fill and write.

#include "AtomicFile.h"
#include "BenchUtil.h"
#include "ScriptReader.h"
#include "ScriptWriter.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5 || (std::strcmp(argv[4], "atomic") != 0 && std::strcmp(argv[4], "backup") != 0)) {
        std::fprintf(stderr, "usage: save_bench TEMPLATE SCRIPT DEST atomic|backup\n");
        return 2;
    }
    const bool backup = std::strcmp(argv[4], "backup") == 0;

    std::string templateText, script;
    if (const wevel::FileResult e = wevel::readWholeFile(argv[1], templateText)) {
        std::fprintf(stderr, "save_bench: %s\n", e->message.c_str());
        return 1;
    }
    if (const wevel::FileResult e = wevel::readWholeFile(argv[2], script)) {
        std::fprintf(stderr, "save_bench: %s\n", e->message.c_str());
        return 1;
    }
    const wevel::ScriptContents loaded = wevel::loadScript(script);
    script = std::string();

    const double t0 = bench::nowMs();
    const std::string text = wevel::fillTemplate(templateText, loaded.settings, loaded.worlds);
    const double t1 = bench::nowMs();
    const wevel::FileResult e =
        backup ? wevel::saveWithBackup(argv[3], text) : wevel::writeFileAtomically(argv[3], text);
    const double t2 = bench::nowMs();
    if (e) {
        std::fprintf(stderr, "save_bench: %s\n", e->message.c_str());
        return 1;
    }
    std::printf("bytes %zu worlds %zu fill_ms %.2f write_ms %.2f total_ms %.2f\n", text.size(),
                loaded.worlds.size(), t1 - t0, t2 - t1, t2 - t0);
    return 0;
}
