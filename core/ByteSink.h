#pragma once

#include <functional>
#include <string_view>

namespace wevel {

// Takes the pieces of a file's content in order; false when a piece could
// not be written (errno tells why).
using ByteSink = std::function<bool(std::string_view)>;

// Hands a whole content to a sink piece by piece; false as soon as the sink
// fails. A large script is written this way without being held whole.
using ByteSource = std::function<bool(const ByteSink&)>;

} // namespace wevel
