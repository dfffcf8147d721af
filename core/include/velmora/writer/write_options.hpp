#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The encodings a file can be written in, as the format names them in its
// "Кодировка" header: Windows (windows-1251), UTF-8 and DOS (IBM866).
enum class OutputEncoding { Windows1251, Utf8, Ibm866 };

// The user-facing names: "cp1251", "utf-8", "cp866".
constexpr std::string_view output_encoding_name(OutputEncoding e) {
  switch (e) {
  case OutputEncoding::Utf8: return "utf-8";
  case OutputEncoding::Ibm866: return "cp866";
  case OutputEncoding::Windows1251: break;
  }
  return "cp1251";
}

enum class Newline { CrLf, Lf };

constexpr std::string_view newline_text(Newline n) { return n == Newline::Lf ? "\n" : "\r\n"; }

struct WriteOptions {
  OutputEncoding encoding = OutputEncoding::Windows1251;
  Newline newline = Newline::CrLf;
};

// One reason why something cannot be written: where it is (the header, an
// account's interval, a document...), the key of the line, and what is wrong.
struct WriteProblem {
  std::string where;
  std::string key;
  std::string message;

  friend bool operator==(const WriteProblem &, const WriteProblem &) = default;
};

// The encoded bytes of a whole file, or every problem found; never a part.
using WriteResult = std::expected<std::string, std::vector<WriteProblem>>;

} // namespace velmora
