#include "WorldRecord.h"

#include "ShortCopy.h"

#include <cstring>
#include <string>

namespace wevel {

namespace {
constexpr std::array<std::string_view, kWorldKeyCount> kKeyNames = {
    "Type", "World", "Character", "Pass", "Host", "Port", "UseProxy", "UseFile"};
} // namespace

std::string_view worldKeyName(WorldKey key)
{
    return kKeyNames[static_cast<std::size_t>(key)];
}

std::optional<WorldKey> worldKeyFromName(std::string_view name)
{
    for (std::size_t i = 0; i < kKeyNames.size(); ++i)
        if (kKeyNames[i] == name)
            return static_cast<WorldKey>(i);
    return std::nullopt;
}

static_assert(sizeof(WorldRecord) == 64, "a million worlds take 64 MB of records");

WorldRecord::WorldRecord(const std::array<std::string_view, kWorldKeyCount>& values) : WorldRecord()
{
    std::size_t total = 0;
    for (auto v : values)
        total += v.size();
    char* out = allocate(total);
    std::size_t at = 0;
    for (unsigned i = 0; i < kWorldKeyCount; ++i) {
        copyShort(out + at, values[i].data(), values[i].size());
        at += values[i].size();
        setEnd(i, at);
    }
    present_ = 0xff;
}

WorldRecord::WorldRecord(const WorldRecord& other) : WorldRecord()
{
    char* out = allocate(other.size());
    if (other.size() > 0)
        std::memcpy(out, other.bytes(), other.size());
    for (unsigned i = 0; i < kWorldKeyCount; ++i)
        setEnd(i, other.end(i));
    present_ = other.present_;
}

WorldRecord::WorldRecord(WorldRecord&& other) noexcept : WorldRecord()
{
    takeFrom(other);
}

WorldRecord& WorldRecord::operator=(const WorldRecord& other)
{
    if (this != &other) {
        WorldRecord copy(other);
        takeFrom(copy);
    }
    return *this;
}

WorldRecord& WorldRecord::operator=(WorldRecord&& other) noexcept
{
    if (this != &other)
        takeFrom(other);
    return *this;
}

void WorldRecord::takeFrom(WorldRecord& other) noexcept
{
    release();
    if (other.onHeap_)
        heap_ = other.heap_;
    else
        inline_ = other.inline_;
    onHeap_ = other.onHeap_;
    present_ = other.present_;
    // The record taken from is left empty.
    other.onHeap_ = false;
    other.inline_ = {};
    other.present_ = 0;
}

char* WorldRecord::allocate(std::size_t size)
{
    release();
    if (size <= kInline) {
        inline_ = {};
        return inline_.data;
    }
    heap_ = {{}, new char[size]};
    onHeap_ = true;
    return heap_.data;
}

void WorldRecord::setEnd(unsigned i, std::size_t end)
{
    if (onHeap_)
        heap_.end[i] = static_cast<std::uint32_t>(end);
    else
        inline_.end[i] = static_cast<std::uint8_t>(end);
}

void WorldRecord::release()
{
    if (onHeap_)
        delete[] heap_.data;
    onHeap_ = false;
}

std::string_view WorldRecord::value(WorldKey key) const
{
    const unsigned i = index(key);
    const std::size_t b = begin(i);
    return std::string_view(bytes() + b, end(i) - b);
}

void WorldRecord::set(WorldKey key, std::string_view value)
{
    // Build the new values aside: `value` may point into this record.
    const unsigned k = index(key);
    std::array<std::size_t, kWorldKeyCount> ends;
    for (unsigned i = 0; i < kWorldKeyCount; ++i)
        ends[i] = end(i);
    std::string joined(bytes(), size());
    const std::size_t b = begin(k);
    joined.replace(b, ends[k] - b, value);
    for (unsigned i = k; i < kWorldKeyCount; ++i)
        ends[i] = ends[i] + value.size() - (end(k) - b);
    const std::uint8_t present = present_ | static_cast<std::uint8_t>(1u << k);

    char* out = allocate(joined.size());
    if (!joined.empty())
        std::memcpy(out, joined.data(), joined.size());
    for (unsigned i = 0; i < kWorldKeyCount; ++i)
        setEnd(i, ends[i]);
    present_ = present;
}

bool WorldRecord::operator==(const WorldRecord& other) const
{
    if (present_ != other.present_)
        return false;
    for (unsigned i = 0; i < kWorldKeyCount; ++i)
        if (end(i) != other.end(i))
            return false;
    return std::memcmp(bytes(), other.bytes(), size()) == 0;
}

WorldRecord makeEditorWorld(std::string_view type, std::string_view world, std::string_view character,
                            std::string_view pass, std::string_view host, std::string_view port)
{
    WorldRecord r;
    r.set(WorldKey::Type, type);
    r.set(WorldKey::World, world);
    r.set(WorldKey::Character, character);
    r.set(WorldKey::Pass, pass);
    r.set(WorldKey::Host, host);
    r.set(WorldKey::Port, port);
    return r;
}

} // namespace wevel
