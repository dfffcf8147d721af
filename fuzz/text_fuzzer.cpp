// Trimming and quoted text on arbitrary valid UTF-8: trimming yields an
// inner slice and is idempotent; quoting yields valid UTF-8 in quotes with
// no raw control characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.hpp"
#include "text/quote.hpp"
#include "text/trim.hpp"
#include "text/utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  if (!velmora::text::is_valid_utf8(text)) return 0;

  const std::string_view trimmed = velmora::text::trim(text);
  VELMORA_FUZZ_CHECK(trimmed.data() >= text.data());
  VELMORA_FUZZ_CHECK(trimmed.data() + trimmed.size() <= text.data() + text.size());
  VELMORA_FUZZ_CHECK(velmora::text::trim(trimmed) == trimmed);
  VELMORA_FUZZ_CHECK(velmora::text::is_valid_utf8(trimmed));
  VELMORA_FUZZ_CHECK(velmora::text::trim_start(velmora::text::trim_end(text)) == trimmed);

  const std::string quoted = velmora::text::quote(text);
  VELMORA_FUZZ_CHECK(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"');
  VELMORA_FUZZ_CHECK(velmora::text::is_valid_utf8(quoted));
  for (unsigned char c : quoted) VELMORA_FUZZ_CHECK(c >= 0x20 && c != 0x7F);
  return 0;
}
