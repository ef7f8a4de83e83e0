// A Save without the window: fillTemplate with the real template and the
// worlds of a script, then the atomic write.
//
//   save_bench TEMPLATE SCRIPT DEST MODE
//
// SCRIPT is loaded first (not timed) to get the worlds and settings. MODE is
//   atomic  - writeFileAtomically(DEST) filled by fillTemplateInto, as Save does
//   backup  - saveWithBackup(DEST) the same way, which also keeps DEST.bak
// Prints the time of that in milliseconds (total_ms), and for comparison the
// fill alone into a sink that keeps nothing (fill_ms).

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

    std::size_t bytes = 0;
    const double t0 = bench::nowMs();
    wevel::fillTemplateInto(templateText, loaded.settings, loaded.worlds, [&](std::string_view piece) {
        bytes += piece.size();
        return true;
    });
    const double t1 = bench::nowMs();
    const wevel::ByteSource source = [&](const wevel::ByteSink& sink) {
        return wevel::fillTemplateInto(templateText, loaded.settings, loaded.worlds, sink);
    };
    const wevel::FileResult e =
        backup ? wevel::saveWithBackup(argv[3], source) : wevel::writeFileAtomically(argv[3], source);
    const double t2 = bench::nowMs();
    if (e) {
        std::fprintf(stderr, "save_bench: %s\n", e->message.c_str());
        return 1;
    }
    std::printf("bytes %zu worlds %zu fill_ms %.2f total_ms %.2f\n", bytes, loaded.worlds.size(),
                t1 - t0, t2 - t1);
    return 0;
}
