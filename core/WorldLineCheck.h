#pragma once

#include "WorldRecord.h"

#include <optional>
#include <string>
#include <vector>

namespace wevel {

// Why a world entered in the editor would not come back from the startup
// script as entered (a blank or a line break in a field, a name that reads
// as a type flag), or nothing when it would. Empty fields are accepted.
std::optional<std::string> worldEntryProblem(const WorldRecord& world);

// What the client will make of a world whose fields are incomplete: it
// reads a world line by words, so an empty field shifts the fields after it.
std::vector<std::string> clientWarnings(const WorldRecord& world);

} // namespace wevel
