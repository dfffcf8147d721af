#pragma once

// Test-only helpers for tests/core/text: an independent, deliberately simple
// reader of the UCD and WHATWG data files and an independent UTF-8 encoder,
// so that the tests do not trust the generated tables or the library code.

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora_test {

inline constexpr char32_t kMaxCodePoint = 0x10FFFF;

inline std::string data_path(const std::string &rel) {
  return std::string(VELMORA_DATA_DIR "/") + rel;
}

// One flag per code point, 0..0x10FFFF.
using CodePointSet = std::vector<bool>;

inline std::string strip(const std::string &s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) {
    return {};
  }
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// Calls f(first, last, fields-after-the-code-points) for each data line.
template <typename F> void for_each_ucd_line(const std::string &rel, F f) {
  std::ifstream in(data_path(rel));
  if (!in) {
    throw std::runtime_error("cannot open " + data_path(rel));
  }
  std::string line;
  while (std::getline(in, line)) {
    line = strip(line.substr(0, line.find('#')));
    if (line.empty()) {
      continue;
    }
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, ';')) {
      fields.push_back(strip(field));
    }
    const std::string range = fields.at(0);
    const auto dots = range.find("..");
    const unsigned long first = std::stoul(range.substr(0, dots), nullptr, 16);
    const unsigned long last =
        dots == std::string::npos ? first : std::stoul(range.substr(dots + 2), nullptr, 16);
    fields.erase(fields.begin());
    f(static_cast<char32_t>(first), static_cast<char32_t>(last), fields);
  }
}

inline CodePointSet load_binary_property(const std::string &rel, const std::string &name) {
  CodePointSet set(kMaxCodePoint + 1, false);
  for_each_ucd_line(rel, [&](char32_t a, char32_t b, const std::vector<std::string> &f) {
    if (f.size() == 1 && f[0] == name) {
      for (char32_t cp = a; cp <= b; ++cp) {
        set[cp] = true;
      }
    }
  });
  return set;
}

inline const CodePointSet &white_space_set() {
  static const CodePointSet s = load_binary_property("ucd-16.0.0/PropList.txt", "White_Space");
  return s;
}

inline const CodePointSet &grapheme_extend_set() {
  static const CodePointSet s =
      load_binary_property("ucd-16.0.0/DerivedCoreProperties.txt", "Grapheme_Extend");
  return s;
}

// General category per code point; unlisted code points are Cn.
inline const std::vector<std::string> &general_categories() {
  static const std::vector<std::string> gc = [] {
    std::vector<std::string> v(kMaxCodePoint + 1, "Cn");
    for_each_ucd_line("ucd-16.0.0/DerivedGeneralCategory.txt",
                      [&](char32_t a, char32_t b, const std::vector<std::string> &f) {
                        for (char32_t cp = a; cp <= b; ++cp) {
                          v[cp] = f.at(0);
                        }
                      });
    return v;
  }();
  return gc;
}

// The expected needs_unicode_escape, built from the categories one by one.
inline bool expected_escape(char32_t cp) {
  if (grapheme_extend_set()[cp]) {
    return true;
  }
  const std::string &gc = general_categories()[cp];
  if (gc == "Zs") {
    return cp != 0x20;
  }
  return gc == "Cc" || gc == "Cf" || gc == "Cs" || gc == "Co" || gc == "Cn" || gc == "Zl" ||
         gc == "Zp";
}

// The WHATWG windows-1251 index: code point for bytes 0x80..0xFF.
// The high half of a WHATWG single-byte index: code point per byte - 0x80.
inline std::vector<char32_t> whatwg_index(const std::string &name) {
  std::vector<char32_t> v(128, 0xFFFFFFFF);
  std::ifstream in(data_path("whatwg/index-" + name + ".txt"));
  if (!in) {
    throw std::runtime_error("cannot open the " + name + " index");
  }
  std::string line;
  while (std::getline(in, line)) {
    if (strip(line).empty() || strip(line)[0] == '#') {
      continue;
    }
    std::stringstream ss(line);
    unsigned pointer = 0;
    std::string cp;
    ss >> pointer >> cp;
    v.at(pointer) = static_cast<char32_t>(std::stoul(cp, nullptr, 16));
  }
  return v;
}

inline std::vector<char32_t> windows1251_index() { return whatwg_index("windows-1251"); }

// Independent UTF-8 encoder (scalar values only).
inline std::string utf8(char32_t cp) {
  std::string s;
  auto put = [&](unsigned v) { s.push_back(static_cast<char>(v)); };
  if (cp < 0x80) {
    put(cp);
  } else if (cp < 0x800) {
    put(0xC0 | (cp >> 6));
    put(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    put(0xE0 | (cp >> 12));
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  } else {
    put(0xF0 | (cp >> 18));
    put(0x80 | ((cp >> 12) & 0x3F));
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  }
  return s;
}

inline bool is_surrogate(char32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

} // namespace velmora_test
