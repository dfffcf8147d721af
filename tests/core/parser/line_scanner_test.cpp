#include "parser/line_scanner.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "parser/line_cursor.hpp"

namespace velmora {
namespace {

namespace simd = text::simd;

struct ScannedLine {
  std::string text;
  std::size_t eq;
  bool operator==(const ScannedLine &) const = default;
};

// What the scanner must give: LineCursor's lines, each with its first "=".
std::vector<ScannedLine> reference(std::string_view text) {
  std::vector<ScannedLine> out;
  LineCursor cursor(text);
  while (auto line = cursor.next()) out.push_back({std::string(line->text), line->text.find('=')});
  return out;
}

std::vector<ScannedLine> scanned(std::string_view text, text::LineMaskKernel kernel) {
  std::vector<ScannedLine> out;
  LineScanner scanner(text, kernel);
  LineScanner::Line line;
  while (scanner.next(line)) out.push_back({std::string(line.text), line.eq});
  return out;
}

class LineScannerTest : public ::testing::TestWithParam<text::LineMaskImplementation> {
protected:
  void SetUp() override {
    if (!simd::runs_here(GetParam().isa)) GTEST_SKIP() << GetParam().name << " does not run here";
  }
  void expect_lines(const std::string &text) {
    // The text is copied to a buffer of its own size, so that a read past
    // its end shows under the sanitizers.
    const std::vector<char> exact(text.begin(), text.end());
    const std::string_view view(exact.data(), exact.size());
    ASSERT_EQ(scanned(view, GetParam().masks), reference(view)) << testing::PrintToString(text);
  }
};

TEST_P(LineScannerTest, LinesOfEveryLengthAroundTheBlock) {
  // Lines of 0..200 bytes, the "=" first, last or absent, with LF or CRLF,
  // with and without a final feed.
  for (std::size_t length = 0; length <= 200; ++length) {
    for (int shape = 0; shape < 4; ++shape) {
      std::string line(length, 'x');
      if (shape == 1 && length > 0) line.front() = '=';
      if (shape == 2 && length > 0) line.back() = '=';
      const std::string end = shape == 3 ? "\r\n" : "\n";
      expect_lines(line + end + line + end + "a=b");
      expect_lines(line + end + line);
      expect_lines(line);
    }
  }
}

TEST_P(LineScannerTest, CarriageReturnsAndBlankLines) {
  const std::string cases[] = {
      "",         "\n",        "\r\n",          "\r",         "\n\n\n",   "\r\r\n", "a\rb\n",
      "a=\r\n=b", "=\n=\r\n=", "ключ=знач\r\n", "\r=\n\r\r=", "\n\r\n\r",
  };
  for (const std::string &text : cases) expect_lines(text);
}

TEST_P(LineScannerTest, RandomTextMatchesLineCursor) {
  std::mt19937 rng(1251);
  const char *pieces[] = {"\n", "\r\n", "\r", "=", "==", " ", "a", "Дата", "\xD0", "\xFF", "=\n"};
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const std::size_t count = static_cast<std::size_t>(round) * 7 % 400;
    for (std::size_t i = 0; i < count; ++i) text += pieces[pick(rng)];
    expect_lines(text);
  }
  // Texts longer than one stretch of masks.
  for (int round = 0; round < 4; ++round) {
    std::string text;
    while (text.size() < 20000) text += pieces[pick(rng)];
    expect_lines(text);
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, LineScannerTest,
                         ::testing::ValuesIn(text::line_mask_implementations().begin(),
                                             text::line_mask_implementations().end()),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora
