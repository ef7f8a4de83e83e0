// The load of a startup script without the window: readWholeFile, then
// loadScript into settings and a std::vector<WorldRecord>, as the
// controller does when it opens.
//
//   read_bench FILE [ROUNDS]
//
// Prints one line per round on standard error ("read ms, parse ms") and a
// summary on standard output: world count, medians, peak resident memory.
// A FILE that does not exist loads as an empty script, which gives the
// memory baseline of the program itself.

#include "AtomicFile.h"
#include "BenchUtil.h"
#include "ScriptReader.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: read_bench FILE [ROUNDS]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 1;

    std::vector<double> readMs, parseMs;
    std::size_t worlds = 0;
    std::size_t bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        const double t0 = bench::nowMs();
        std::string contents;
        bool missing = false;
        if (const wevel::FileResult e = wevel::readWholeFile(path, contents, &missing)) {
            std::fprintf(stderr, "read_bench: %s\n", e->message.c_str());
            return 1;
        }
        const double t1 = bench::nowMs();
        const wevel::ScriptContents loaded = wevel::loadScript(contents);
        const double t2 = bench::nowMs();
        readMs.push_back(t1 - t0);
        parseMs.push_back(t2 - t1);
        worlds = loaded.worlds.size();
        bytes = contents.size();
        std::fprintf(stderr, "round %d: read %.2f ms, parse %.2f ms\n", r + 1, t1 - t0, t2 - t1);
    }
    std::printf("bytes %zu worlds %zu read_ms %.2f parse_ms %.2f peak_rss_kib %ld\n", bytes, worlds,
                bench::median(readMs), bench::median(parseMs), bench::peakRssKiB());
    return 0;
}
