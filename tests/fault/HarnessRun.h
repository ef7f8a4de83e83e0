#pragma once

#include "ChildProcess.h"

#include <string>
#include <string_view>

namespace fault {

// The save_harness built beside the tests.
std::string harnessPath();

// How to start the harness in `home` so that it presses Save only once a
// byte arrives on its standard input (after it says "ready").
SpawnOptions waitingHarness(const std::string& home);

// A Save left to run to its end, on `former` as ~/.wevelrc in a HOME of its
// own: what the tests compare killed and failed Saves against.
struct CompletedSave {
    int status = 0;
    std::string script; // ~/.wevelrc afterwards
    std::string backup; // ~/.wevelrc.bak afterwards
    std::string out;    // the harness's stdout: the seven lines
    std::string err;
    std::size_t temporaries = 0; // save temporaries left in HOME
    double seconds = 0;          // from the go byte to the harness's end
};
CompletedSave saveToCompletion(std::string_view former);

// A Save expected to fail: the harness runs with --report in `home`.
struct FailedSave {
    int status = 0;
    std::string out;
    std::string err;
    std::string statusText; // the window's status label, from "status: ..."
};
FailedSave saveExpectingFailure(const std::string& home, SpawnOptions options = {});

} // namespace fault
