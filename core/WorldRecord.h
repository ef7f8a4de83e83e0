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
// A script may hold a million worlds, so a record is 64 bytes with its
// values back to back and the end of each: in the record itself, with
// one-byte ends, when they fit (most worlds take 40 to 48 bytes), so reading
// a large script allocates nothing per world; on the heap otherwise.
class WorldRecord {
public:
    WorldRecord() noexcept : inline_{} {}
    // A record holding all eight keys, values in WorldKey order.
    explicit WorldRecord(const std::array<std::string_view, kWorldKeyCount>& values);

    WorldRecord(const WorldRecord& other);
    WorldRecord(WorldRecord&& other) noexcept;
    WorldRecord& operator=(const WorldRecord& other);
    WorldRecord& operator=(WorldRecord&& other) noexcept;
    ~WorldRecord() { release(); }

    bool has(WorldKey key) const { return (present_ >> index(key)) & 1u; }
    std::string_view value(WorldKey key) const;
    void set(WorldKey key, std::string_view value);

    bool operator==(const WorldRecord& other) const;

private:
    static constexpr std::size_t kInline = 48;

    static unsigned index(WorldKey key) { return static_cast<unsigned>(key); }
    std::size_t end(unsigned i) const { return onHeap_ ? heap_.end[i] : inline_.end[i]; }
    std::size_t begin(unsigned i) const { return i == 0 ? 0 : end(i - 1); }
    std::size_t size() const { return end(kWorldKeyCount - 1); }
    const char* bytes() const { return onHeap_ ? heap_.data : inline_.data; }

    // Room for `size` bytes of values, replacing what the record held.
    char* allocate(std::size_t size);
    void setEnd(unsigned i, std::size_t end);
    void release();
    void takeFrom(WorldRecord& other) noexcept;

    struct Inline {
        std::uint8_t end[kWorldKeyCount];
        char data[kInline];
    };
    struct Heap {
        std::uint32_t end[kWorldKeyCount];
        char* data;
    };
    union {
        Inline inline_;
        Heap heap_;
    };
    std::uint8_t present_ = 0;
    bool onHeap_ = false;
};

// A world as the world editor makes it: the six keys of a world line, values
// in WorldKey order, and no proxy flag or file argument.
WorldRecord makeEditorWorld(std::string_view type, std::string_view world, std::string_view character,
                            std::string_view pass, std::string_view host, std::string_view port);

} // namespace wevel
