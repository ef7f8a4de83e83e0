#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wevel {

// The keys of a world record, in the order the reader fills them.
enum class WorldKey : std::uint8_t { Type, World, Character, Pass, Host, Port, UseProxy, UseFile };

inline constexpr std::size_t kWorldKeyCount = 8;

// "Type", "World", … — the names the table's columns use as identifiers.
std::string_view worldKeyName(WorldKey key);
std::optional<WorldKey> worldKeyFromName(std::string_view name);

// One world: a map from key to bytes. A key the record lacks reads as "".
//
// A script may hold a million worlds, so the values live in one buffer with
// end offsets instead of eight separate strings: one allocation per record.
class WorldRecord {
public:
    WorldRecord() = default;
    // A record holding all eight keys, values in WorldKey order.
    explicit WorldRecord(const std::array<std::string_view, kWorldKeyCount>& values);

    bool has(WorldKey key) const { return (present_ >> index(key)) & 1u; }
    std::string_view value(WorldKey key) const;
    void set(WorldKey key, std::string_view value);

    bool operator==(const WorldRecord& other) const;

private:
    static unsigned index(WorldKey key) { return static_cast<unsigned>(key); }
    std::size_t begin(unsigned i) const { return i == 0 ? 0 : end_[i - 1]; }

    std::string data_;
    std::array<std::uint32_t, kWorldKeyCount> end_{};
    std::uint8_t present_ = 0;
};

} // namespace wevel
