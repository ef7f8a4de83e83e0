#include "WorldRecord.h"

#include <cstring>
#include <string>

namespace wevel {

namespace {
constexpr std::array<std::string_view, kWorldKeyCount> kKeyNames = {
    "Type", "World", "Character", "Pass", "Host", "Port", "UseProxy", "UseFile"};
}

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

WorldRecord::WorldRecord(const std::array<std::string_view, kWorldKeyCount>& values)
{
    std::size_t total = 0;
    for (auto v : values)
        total += v.size();
    char* out = makeRoom(total);
    std::size_t at = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i].empty())
            std::memcpy(out + at, values[i].data(), values[i].size());
        at += values[i].size();
        end_[i] = static_cast<std::uint32_t>(at);
    }
    present_ = 0xff;
}

WorldRecord::WorldRecord(const WorldRecord& other) : end_(other.end_), present_(other.present_)
{
    if (other.size() > 0)
        std::memcpy(makeRoom(other.size()), other.bytes(), other.size());
}

WorldRecord::WorldRecord(WorldRecord&& other) noexcept
    : end_(other.end_), heap_(std::move(other.heap_)), present_(other.present_)
{
    if (!heap_ && size() > 0)
        std::memcpy(inline_, other.inline_, size());
    // The record moved from is left empty.
    other.end_ = {};
    other.present_ = 0;
}

WorldRecord& WorldRecord::operator=(const WorldRecord& other)
{
    if (this != &other)
        *this = WorldRecord(other);
    return *this;
}

WorldRecord& WorldRecord::operator=(WorldRecord&& other) noexcept
{
    if (this != &other) {
        end_ = other.end_;
        present_ = other.present_;
        heap_ = std::move(other.heap_);
        if (!heap_ && size() > 0)
            std::memcpy(inline_, other.inline_, size());
        other.end_ = {};
        other.present_ = 0;
    }
    return *this;
}

char* WorldRecord::makeRoom(std::size_t size)
{
    if (size <= kInline) {
        heap_.reset();
        return inline_;
    }
    heap_ = std::make_unique_for_overwrite<char[]>(size);
    return heap_.get();
}

std::string_view WorldRecord::value(WorldKey key) const
{
    const unsigned i = index(key);
    const std::size_t b = begin(i);
    return std::string_view(bytes() + b, end_[i] - b);
}

void WorldRecord::set(WorldKey key, std::string_view value)
{
    // Build the new values aside: `value` may point into this record.
    const unsigned i = index(key);
    std::string joined(bytes(), size());
    const std::size_t b = begin(i);
    joined.replace(b, end_[i] - b, value);
    const auto delta = static_cast<std::int64_t>(value.size()) - static_cast<std::int64_t>(end_[i] - b);
    for (unsigned j = i; j < kWorldKeyCount; ++j)
        end_[j] = static_cast<std::uint32_t>(end_[j] + delta);
    if (!joined.empty())
        std::memcpy(makeRoom(joined.size()), joined.data(), joined.size());
    else
        heap_.reset();
    present_ |= static_cast<std::uint8_t>(1u << i);
}

bool WorldRecord::operator==(const WorldRecord& other) const
{
    return present_ == other.present_ && end_ == other.end_
        && std::memcmp(bytes(), other.bytes(), size()) == 0;
}

} // namespace wevel
