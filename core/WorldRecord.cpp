#include "WorldRecord.h"

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
    data_.reserve(total);
    for (std::size_t i = 0; i < values.size(); ++i) {
        data_.append(values[i]);
        end_[i] = static_cast<std::uint32_t>(data_.size());
    }
    present_ = 0xff;
}

std::string_view WorldRecord::value(WorldKey key) const
{
    const unsigned i = index(key);
    const std::size_t b = begin(i);
    return std::string_view(data_).substr(b, end_[i] - b);
}

void WorldRecord::set(WorldKey key, std::string_view value)
{
    const unsigned i = index(key);
    const std::size_t b = begin(i);
    const std::size_t oldSize = end_[i] - b;
    data_.replace(b, oldSize, value);
    const auto delta = static_cast<std::int64_t>(value.size()) - static_cast<std::int64_t>(oldSize);
    for (unsigned j = i; j < kWorldKeyCount; ++j)
        end_[j] = static_cast<std::uint32_t>(end_[j] + delta);
    present_ |= static_cast<std::uint8_t>(1u << i);
}

bool WorldRecord::operator==(const WorldRecord& other) const
{
    return present_ == other.present_ && end_ == other.end_ && data_ == other.data_;
}

} // namespace wevel
