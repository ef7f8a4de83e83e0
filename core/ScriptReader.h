#pragma once

#include "ScriptSettings.h"
#include "WorldRecord.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace wevel {

// --- Text operations the reader is built on; all work on bytes. ---

// Bounds of one line: where it starts, where its content ends (its
// terminator begins) and where the next line begins. LF, CR and CR LF each
// end a line; the last line may end at the end of the text.
struct LineBounds {
    std::size_t start;
    std::size_t contentEnd;
    std::size_t end;
};

// Walks the lines of a text in order. It remembers the next LF and the next
// CR it found, so every byte is scanned once even when a script mixes
// terminators or uses CR alone.
class LineScanner {
public:
    explicit LineScanner(std::string_view text) : text_(text) {}
    bool atEnd() const { return pos_ >= text_.size(); }
    LineBounds next();

private:
    std::size_t find(char c, std::size_t& cache);

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t nextLf_ = 0; // valid while >= pos_
    std::size_t nextCr_ = 0;
    bool lfKnown_ = false;
    bool crKnown_ = false;
};

// The number of LF bytes in `text`.
std::size_t countLineFeeds(std::string_view text);

// The bounds of the line that starts at `start`.
LineBounds lineBoundsAt(std::string_view text, std::size_t start);

// A line reaches the command reader only when it begins with "/".
inline bool passesLineFilter(std::string_view line)
{
    return !line.empty() && line.front() == '/';
}

// Calls f(line) for every line of `text` that passes the line filter, in order.
template <class F>
void forEachCommandLine(std::string_view text, F&& f)
{
    LineScanner lines(text);
    while (!lines.atEnd()) {
        const LineBounds b = lines.next();
        const std::string_view strTemp = text.substr(b.start, b.contentEnd - b.start);
        if (passesLineFilter(strTemp))
            f(strTemp);
    }
}

// Equal apart from the case of ASCII letters; other bytes compare exactly.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Cuts `text` at every `separator`: n separators give n + 1 parts.
std::vector<std::string_view> splitAt(std::string_view text, char separator);

// --- Commands ---

// Receives what the reader finds in the script, one call per understood line.
class ScriptSink {
public:
    virtual ~ScriptSink() = default;
    virtual void addWorldRecord(std::string_view strWorld, std::string_view strType,
                                std::string_view strChar, std::string_view strPass,
                                std::string_view strHost, std::string_view strPort,
                                std::string_view strProxy, std::string_view strFile) = 0;
    virtual void setScriptFolder(std::string_view folder) = 0;
    virtual void turnOn(Switch which) = 0;
    // `title` may name no item; the receiver then keeps its selection.
    virtual void selectChoice(Choice which, std::string_view title) = 0;
};

// Interprets one line (without its terminator) that passed the line filter.
void parseCommand(std::string_view strCmd, ScriptSink& sink);

// Reads a whole script: every command line in file order.
void readScript(std::string_view text, ScriptSink& sink);

// A sink that keeps everything: the settings and the world list.
class ScriptContents : public ScriptSink {
public:
    ScriptSettings settings;
    std::vector<WorldRecord> worlds;

    void addWorldRecord(std::string_view strWorld, std::string_view strType,
                        std::string_view strChar, std::string_view strPass,
                        std::string_view strHost, std::string_view strPort,
                        std::string_view strProxy, std::string_view strFile) override;
    void setScriptFolder(std::string_view folder) override;
    void turnOn(Switch which) override;
    void selectChoice(Choice which, std::string_view title) override;
};

// Reserves room, once, for as many worlds as `text` has line feeds (and at
// most one per ten bytes): regrowing the list while reading would copy it
// while the script is still held. A script whose lines end in CR alone gets
// no room and the list grows as it is read. Room never used is never
// touched, so it takes no memory.
void reserveWorlds(std::vector<WorldRecord>& worlds, std::string_view text);

// Reads `text` into a ScriptContents starting from the default settings.
ScriptContents loadScript(std::string_view text);

} // namespace wevel
