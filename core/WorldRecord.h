#pragma once

#include <array>
#include <cstdint>
#include <memory>
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
// A script may hold a million worlds, so the values live back to back in one
// buffer with end offsets instead of eight separate strings. The buffer sits
// inside the record when the values fit (most worlds take 40 to 50 bytes),
// so reading a large script allocates nothing per world; longer ones go to
// the heap.
class WorldRecord {
public:
    WorldRecord() = default;
    // A record holding all eight keys, values in WorldKey order.
    explicit WorldRecord(const std::array<std::string_view, kWorldKeyCount>& values);

    WorldRecord(const WorldRecord& other);
    WorldRecord(WorldRecord&& other) noexcept;
    WorldRecord& operator=(const WorldRecord& other);
    WorldRecord& operator=(WorldRecord&& other) noexcept;
    ~WorldRecord() = default;

    bool has(WorldKey key) const { return (present_ >> index(key)) & 1u; }
    std::string_view value(WorldKey key) const;
    void set(WorldKey key, std::string_view value);

    bool operator==(const WorldRecord& other) const;

private:
    // Values up to this many bytes in all stay in the record, which makes a
    // record 96 bytes.
    static constexpr std::size_t kInline = 55;

    static unsigned index(WorldKey key) { return static_cast<unsigned>(key); }
    std::size_t begin(unsigned i) const { return i == 0 ? 0 : end_[i - 1]; }
    std::size_t size() const { return end_[kWorldKeyCount - 1]; }
    const char* bytes() const { return heap_ ? heap_.get() : inline_; }
    // Room for `size` bytes of values, in the record or on the heap.
    char* makeRoom(std::size_t size);

    std::array<std::uint32_t, kWorldKeyCount> end_{};
    std::unique_ptr<char[]> heap_; // holds the values when they do not fit in inline_
    std::uint8_t present_ = 0;
    char inline_[kInline];
};

} // namespace wevel
