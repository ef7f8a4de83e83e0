#pragma once

#include <array>
#include <string>
#include <string_view>

namespace wevel {

// The items of the two choices, in the order the pop-ups list them.
inline constexpr std::array<std::string_view, 5> kISizeItems = {"1", "2", "3", "4", "5"};
inline constexpr std::array<std::string_view, 3> kMatchingItems = {"glob", "simple", "regexp"};

enum class Switch { Visual, More, Redef };
enum class Choice { ISize, Matching };

// The six settings of the startup script, as bytes. The defaults are the
// window's starting state: switches off, the first item of each choice, no folder.
struct ScriptSettings {
    bool visual = false;
    std::string isize{kISizeItems.front()};
    bool more = false;
    bool redef = false;
    std::string matching{kMatchingItems.front()};
    std::string scriptFolder;

    bool operator==(const ScriptSettings&) const = default;
};

} // namespace wevel
