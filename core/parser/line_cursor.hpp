#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace velmora {

// Cuts text into physical lines at each line feed, dropping the feed and one
// carriage return before it. Text after the last feed is a line only if it
// is not empty. memchr finds the feeds many bytes at a time.
class LineCursor {
public:
  struct Line {
    std::string_view text;
    std::uint64_t lineno;
  };

  explicit LineCursor(std::string_view text) : rest_(text) {}

  std::optional<Line> next() {
    if (rest_.empty()) return std::nullopt;
    const void *feed = std::memchr(rest_.data(), '\n', rest_.size());
    std::string_view line;
    if (feed == nullptr) {
      line = rest_;
      rest_ = {};
    } else {
      std::size_t n = static_cast<const char *>(feed) - rest_.data();
      line = rest_.substr(0, n);
      rest_.remove_prefix(n + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    return Line{line, ++lineno_};
  }

private:
  std::string_view rest_;
  std::uint64_t lineno_ = 0;
};

} // namespace velmora
