#include "WorldLineCheck.h"

#include "ScriptReader.h"
#include "ScriptWriter.h"

namespace wevel {

namespace {

constexpr WorldKey kEditorKeys[] = {WorldKey::Type, WorldKey::World, WorldKey::Character,
                                    WorldKey::Pass, WorldKey::Host,  WorldKey::Port};

std::string fieldName(WorldKey key)
{
    switch (key) {
    case WorldKey::Type: return "Type";
    case WorldKey::World: return "World";
    case WorldKey::Character: return "Character";
    case WorldKey::Pass: return "Password";
    case WorldKey::Host: return "Host";
    case WorldKey::Port: return "Port";
    default: return std::string(worldKeyName(key));
    }
}

} // namespace

std::optional<std::string> worldEntryProblem(const WorldRecord& world)
{
    for (WorldKey key : kEditorKeys) {
        const std::string_view v = world.value(key);
        if (holdsLineBreak(v))
            return fieldName(key) + " holds a line break, which would end the world's line "
                                    "in ~/.wevelrc and start a command of its own.";
        if (v.find(' ') != std::string_view::npos)
            return fieldName(key) + " holds a blank. Fields are separated by blanks in "
                                    "~/.wevelrc, so it would be read back as two fields.";
    }
    if (world.value(WorldKey::World).substr(0, 2) == "-T")
        return std::string("World begins with \"-T\", which ~/.wevelrc reads as a world type, "
                           "not as a name.");

    // Whatever else might go wrong: write the line and read it back. Empty
    // fields are let through above on purpose, and they can shift on reading.
    for (WorldKey key : kEditorKeys)
        if (world.value(key).empty())
            return std::nullopt;
    std::string line;
    appendWorldLine(line, world);
    line.pop_back();
    ScriptContents back;
    parseCommand(line, back);
    for (WorldKey key : kEditorKeys)
        if (back.worlds.size() != 1 || back.worlds[0].value(key) != world.value(key))
            return fieldName(key) + " would not be read back from ~/.wevelrc as entered.";
    return std::nullopt;
}

std::vector<std::string> clientWarnings(const WorldRecord& world)
{
    std::vector<std::string> warnings;
    if (world.value(WorldKey::World).empty())
        warnings.emplace_back("Without a name the client cannot address this world.");
    if (world.value(WorldKey::Character).empty() != world.value(WorldKey::Pass).empty())
        warnings.emplace_back("The client reads character and password as a pair: with only "
                              "one of them it shifts the fields after it and will not log in.");
    if (world.value(WorldKey::Host).empty() || world.value(WorldKey::Port).empty())
        warnings.emplace_back("Without both host and port the client cannot connect to this world.");
    return warnings;
}

} // namespace wevel
