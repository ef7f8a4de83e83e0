#pragma once

// Exit statuses of save_harness beyond the window's own 0 and 1.
namespace harness {

// The window is still open and usable after Ctrl+S: the Save failed.
inline constexpr int kStillOpen = 42;
// The window never became active, so Ctrl+S could not be pressed.
inline constexpr int kNotActive = 43;
// Bad option, or stdin closed before the go byte.
inline constexpr int kUsage = 44;

} // namespace harness
