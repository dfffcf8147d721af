// Whole statements from raw bytes. The first byte picks a hook: none, or
// one that edits the section's attributes (adds, changes, deletes keys, or
// fails). Invariants beyond "no crash":
// - a parse gives a statement or one error, and every line number it
//   reports is a line of the input;
// - a statement that parsed as UTF-8 and is representable in windows-1251
//   gives the same records from its windows-1251 bytes;
// - a hook that changes nothing changes no result.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "check.hpp"
#include "text/legacy_decode.hpp"
#include "text/utf8.hpp"
#include "velmora/parse_statement.hpp"

namespace {

class EditingHook final : public velmora::SectionHook {
public:
  explicit EditingHook(std::uint8_t mode) : mode_(mode) {}

  velmora::HookOutcome call(velmora::SectionType, velmora::AttributeMap &attrs,
                            const velmora::AttributeMap &header) override {
    ++calls_;
    switch (mode_ % 4) {
    case 0: attrs.insert("Сумма", "1.00"); break;
    case 1:
      if (auto *value = attrs.find("Дата")) *value = "01.01.2024";
      break;
    case 2: {
      // Rebuild without the first key, as a hook that deletes one would.
      velmora::AttributeMap rebuilt;
      bool first = true;
      for (auto &entry : attrs.take_entries()) {
        if (!first) rebuilt.insert(std::move(entry.key), std::move(entry.value));
        first = false;
      }
      attrs = std::move(rebuilt);
      break;
    }
    default:
      if (calls_ > header.size()) return velmora::HookOutcome::Fail("stop");
    }
    return velmora::HookOutcome::Continue();
  }

private:
  std::uint8_t mode_;
  std::size_t calls_ = 0;
};

std::uint64_t line_count(std::string_view bytes) {
  return static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
}

void check_line_numbers(const std::expected<velmora::Statement, velmora::ParseError> &result,
                        std::string_view bytes) {
  // UTF-16 input has a line feed every two bytes at most as often as the
  // raw count suggests, so the raw count bounds every decoding's lines.
  const std::uint64_t lines = line_count(bytes);
  if (!result) {
    if (result.error().has_lineno()) {
      VELMORA_FUZZ_CHECK(result.error().lineno() >= 1 && result.error().lineno() <= lines);
    }
    VELMORA_FUZZ_CHECK(!result.error().display().empty());
    return;
  }
  for (const auto &warning : result->warnings) {
    VELMORA_FUZZ_CHECK(warning.lineno >= 1 && warning.lineno <= lines);
  }
}

// The windows-1251 bytes of a UTF-8 text, when every character has one.
std::optional<std::string> to_windows1251(std::string_view utf8) {
  static const auto reverse = [] {
    std::array<std::pair<char32_t, unsigned char>, 256> table{};
    for (unsigned b = 0; b < 256; ++b)
      table[b] = {velmora::text::windows1251_to_code_point(static_cast<unsigned char>(b)),
                  static_cast<unsigned char>(b)};
    std::sort(table.begin(), table.end());
    return table;
  }();
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char32_t cp = velmora::text::next_code_point(utf8, i);
    auto it = std::lower_bound(reverse.begin(), reverse.end(),
                               std::pair{cp, static_cast<unsigned char>(0)});
    if (it == reverse.end() || it->first != cp) return std::nullopt;
    out.push_back(static_cast<char>(it->second));
  }
  return out;
}

bool same_records(const velmora::Statement &a, const velmora::Statement &b) {
  if (!(a.header == b.header) || a.documents != b.documents || a.warnings != b.warnings)
    return false;
  if (a.accounts.size() != b.accounts.size()) return false;
  for (std::size_t i = 0; i < a.accounts.size(); ++i)
    if (a.accounts[i].number != b.accounts[i].number ||
        a.accounts[i].intervals != b.accounts[i].intervals)
      return false;
  return true;
}

void check_encodings_agree(const velmora::Statement &utf8_result, std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return; // the mark has no windows-1251 form
  auto legacy = to_windows1251(bytes);
  if (!legacy || velmora::text::is_valid_utf8(*legacy)) return;
  auto again = velmora::parse_statement(*legacy);
  if (!again) {
    // The legacy path may find the text implausible; nothing else differs.
    VELMORA_FUZZ_CHECK(again.error().kind() == velmora::ParseError::Kind::NotStatement);
    return;
  }
  VELMORA_FUZZ_CHECK(again->encoding == velmora::Encoding::Cp1251);
  VELMORA_FUZZ_CHECK(same_records(utf8_result, *again));
}

class NoOpHook final : public velmora::SectionHook {
public:
  velmora::HookOutcome call(velmora::SectionType, velmora::AttributeMap &,
                            const velmora::AttributeMap &) override {
    return velmora::HookOutcome::Continue();
  }
};

// Without hooks documents are built from a draft instead of the section
// map; a hook that changes nothing must not change the result.
void check_hookless_path(const std::expected<velmora::Statement, velmora::ParseError> &plain,
                         std::string_view bytes) {
  NoOpHook hook;
  velmora::SectionHook *hooks[] = {&hook};
  auto mapped = velmora::parse_statement(bytes, hooks);
  VELMORA_FUZZ_CHECK(plain.has_value() == mapped.has_value());
  if (!plain) {
    VELMORA_FUZZ_CHECK(plain.error() == mapped.error());
    return;
  }
  VELMORA_FUZZ_CHECK(same_records(*plain, *mapped));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const std::string_view bytes(reinterpret_cast<const char *>(data + 1), size - 1);
  if (mode < 128) {
    auto result = velmora::parse_statement(bytes);
    check_line_numbers(result, bytes);
    check_hookless_path(result, bytes);
    if (result && result->encoding == velmora::Encoding::Utf8)
      check_encodings_agree(*result, bytes);
  } else {
    EditingHook hook(mode);
    velmora::SectionHook *hooks[] = {&hook};
    auto result = velmora::parse_statement(bytes, hooks);
    check_line_numbers(result, bytes);
  }
  return 0;
}
