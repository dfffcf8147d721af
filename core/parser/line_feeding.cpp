#include "parser/line_feeding.hpp"

#include "parser/line_scanner.hpp"
#include "text/legacy_decode.hpp"
#include "text/trim.hpp"

namespace velmora {

namespace {

// The line trimmed, with its first "=" (npos for none) moved to match.
// Most lines start and end with a letter or digit and are left as they are.
LineScanner::Line trimmed(const LineScanner::Line &line) {
  const std::string_view text = text::trim(line.text);
  if (text.size() == line.text.size() || line.eq == LineScanner::npos) return {text, line.eq};
  return {text, line.eq - static_cast<std::size_t>(text.data() - line.text.data())};
}

} // namespace

std::expected<std::uint64_t, ParseError> read_lines(SectionReader &reader, std::string_view text,
                                                    std::uint64_t lines_before) {
  LineScanner scanner(text);
  std::uint64_t lineno = lines_before;
  LineScanner::Line line;
  while (scanner.next(line)) {
    ++lineno;
    const LineScanner::Line kept = trimmed(line);
    if (kept.text.empty()) continue;
    if (kept.eq != LineScanner::npos) {
      const LineItem item = classify_split(kept.text, kept.eq);
      if (reader.took_document_attribute(lineno, item)) continue;
      if (auto step = reader.read_line(lineno, item); !step)
        return std::unexpected(std::move(step.error()));
      continue;
    }
    auto item = classify_line(kept.text, lineno);
    if (!item) return std::unexpected(std::move(item.error()));
    if (auto step = reader.read_line(lineno, *item); !step)
      return std::unexpected(std::move(step.error()));
  }
  return lineno;
}

std::size_t stretch_end(std::string_view bytes, std::size_t from) {
  if (bytes.size() - from <= kStretchBytes) return bytes.size();
  std::string_view window = bytes.substr(from, kStretchBytes);
  std::size_t feed = window.rfind('\n');
  if (feed != std::string_view::npos) return from + feed + 1;
  feed = bytes.find('\n', from + kStretchBytes);
  return feed == std::string_view::npos ? bytes.size() : feed + 1;
}

std::expected<std::uint64_t, ParseError>
read_windows1251_stretches(SectionReader &reader, std::string_view bytes, std::string &text,
                           std::size_t end, std::uint64_t lines_before) {
  std::uint64_t lines = lines_before;
  while (true) {
    auto read = read_lines(reader, text, lines);
    if (!read) return read;
    lines = *read;
    if (end == bytes.size()) return lines;
    reader.keep_views_of(text);
    const std::size_t from = end;
    end = stretch_end(bytes, from);
    text::decode_windows1251_into(bytes.substr(from, end - from), text);
  }
}

} // namespace velmora
