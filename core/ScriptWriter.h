#pragma once

#include "ByteSink.h"
#include "ScriptSettings.h"
#include "WorldRecord.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wevel {

// Replaces every occurrence of `placeholder` in `text`, ignoring the case of
// ASCII letters, scanning once from start to end: text it inserts is not
// searched again by this call.
void replaceAllIgnoreCase(std::string& text, std::string_view placeholder, std::string_view value);

// Appends the world line "/addworld -T'<type>' <world> <char> <pass> <host> <port>\n".
// A proxy flag the script carried goes before "-T", a file argument after the
// port, each after one blank: the shapes the reader takes back.
void appendWorldLine(std::string& out, const WorldRecord& world);

// All world lines, in list order.
std::string worldLines(const std::vector<WorldRecord>& worlds);

// Fills the seven placeholders of the template, in the order VISUAL, ISIZE,
// MORE, REDEF, DEFMATCH, SCRIPTFOLDER, WORLDLIST. Each fill runs over the
// whole current text, so a value inserted earlier is searched by later fills;
// the world lines go in last and are searched by nothing.
std::string fillTemplate(std::string text, const ScriptSettings& settings,
                         const std::vector<WorldRecord>& worlds);

// The same, handed to `sink` in pieces of about a megabyte, so a large world
// list is written without the whole script ever being held. False as soon
// as the sink fails.
bool fillTemplateInto(std::string text, const ScriptSettings& settings,
                      const std::vector<WorldRecord>& worlds, const ByteSink& sink);

// The seven lines that announce a Save on the client command channel.
std::string channelLines(const ScriptSettings& settings);

// A value holding CR or LF would end its line early and add commands of its
// own to the script and to the client. Names the first such value, or nothing.
std::optional<std::string> findLineBreak(const ScriptSettings& settings,
                                         const std::vector<WorldRecord>& worlds);

bool holdsLineBreak(std::string_view text);

} // namespace wevel
