#include "parser/statement_parts.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parser/input_decoding.hpp"
#include "recording_observer.hpp"
#include "statement_text.hpp"
#include "velmora/parse_statement.hpp"

namespace velmora {
namespace {

using testing::account_section;
using testing::document_section;
using testing::statement;

using Recorder = testing::RecordingObserver;

// Small parts, so that small statements are cut.
constexpr std::size_t kPart = kPlausibilityWindow;

std::string documents(int from, int count) {
  std::string out;
  for (int i = from; i < from + count; ++i) out += document_section(std::to_string(i));
  return out;
}

// A statement of accounts and then documents, several parts long.
std::string intact() {
  return statement(account_section("40702810000000000001", "01.02.2024") + documents(0, 400));
}

struct Joined {
  bool joins = true;
  std::vector<std::string> calls;
  std::optional<ParseError> error; // the first part's error, lines of the whole
};

Joined read_in_parts(const StatementParts &parts) {
  Joined joined;
  Recorder recorder;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    StatementParts::Outcome outcome = parts.read(k, recorder);
    if (outcome.error && !joined.error) joined.error = outcome.error;
    joined.joins = joined.joins && !outcome.error && outcome.joins;
    recorder.lines_before += outcome.lines;
  }
  joined.calls = std::move(recorder.calls);
  return joined;
}

std::vector<std::string> read_whole(std::string_view bytes) {
  Recorder recorder;
  EXPECT_TRUE(parse_statement_observed(bytes, recorder).has_value());
  return recorder.calls;
}

class Encodings : public ::testing::TestWithParam<bool> {
protected:
  std::string encoded(const std::string &utf8) const {
    return GetParam() ? testing::to_cp1251(utf8) : utf8;
  }
};

TEST_P(Encodings, PartsOfAnIntactStatementJoinIntoWhatTheWholeGives) {
  const std::string bytes = encoded(intact());
  for (std::size_t n : {2, 3, 5}) {
    auto parts = StatementParts::plan(bytes, n, kPart);
    ASSERT_TRUE(parts.has_value()) << n;
    EXPECT_EQ(parts->size(), n);
    const Joined joined = read_in_parts(*parts);
    EXPECT_TRUE(joined.joins) << n;
    EXPECT_EQ(joined.calls, read_whole(bytes)) << n;
  }
}

TEST_P(Encodings, PartsThatCannotJoinSaySo) {
  std::string unclosed = intact();
  unclosed.erase(unclosed.find("КонецДокумента\n", unclosed.size() / 3), 29);
  std::string late_account = intact();
  late_account.insert(late_account.find("СекцияДокумент", late_account.size() * 4 / 5),
                      account_section("40702810000000000009", "02.02.2024"));
  std::string broken_late = intact();
  broken_late.insert(broken_late.find("СекцияДокумент", broken_late.size() * 4 / 5), "Ключ=1\n");
  std::string unfinished = intact();
  unfinished.erase(unfinished.find("КонецФайла"));
  for (const std::string &text : {unclosed, late_account, broken_late, unfinished}) {
    const std::string bytes = encoded(text);
    auto parts = StatementParts::plan(bytes, 3, kPart);
    ASSERT_TRUE(parts.has_value());
    EXPECT_FALSE(read_in_parts(*parts).joins);
  }
}

TEST_P(Encodings, AnErrorInALaterPartCountsItsLinesFromThePart) {
  std::string text = intact();
  const std::size_t at = text.find("СекцияДокумент", text.size() * 4 / 5);
  text.insert(at, "строка без равенства\n");
  const std::string bytes = encoded(text);
  auto parts = StatementParts::plan(bytes, 2, kPart);
  ASSERT_TRUE(parts.has_value());
  Recorder recorder;
  const auto first = parts->read(0, recorder);
  const auto second = parts->read(1, recorder);
  ASSERT_FALSE(first.error);
  ASSERT_TRUE(second.error.has_value());
  const auto whole = parse_statement(bytes, {});
  ASSERT_FALSE(whole.has_value());
  EXPECT_EQ(first.lines + second.error->lineno(), whole.error().lineno());
}

INSTANTIATE_TEST_SUITE_P(StatementParts, Encodings, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "cp1251" : "utf8"; });

TEST(StatementParts, CutsOnlyBeforeDocumentOpeningsAndKeepsPartsLargeEnough) {
  const std::string bytes = intact();
  auto parts = StatementParts::plan(bytes, 64, kPart);
  ASSERT_TRUE(parts.has_value());
  EXPECT_LE(parts->size(), bytes.size() / kPart);
  EXPECT_TRUE(read_in_parts(*parts).joins);
}

TEST(StatementParts, TextThatIsNotUtf8PastTheFirstStretchIsLeftToTheWhole) {
  // Read whole, it is windows-1251 text: the parts must say they cannot join.
  std::string bytes = statement(documents(0, 1000));
  bytes[bytes.find("Оплата", bytes.size() * 3 / 4)] = '\xC0'; // a lead byte of nothing
  auto parts = StatementParts::plan(bytes, 2, kPart);
  ASSERT_TRUE(parts.has_value());
  EXPECT_FALSE(read_in_parts(*parts).joins);
  // Whole, it is windows-1251 mojibake, which no longer parses.
  EXPECT_FALSE(parse_statement(bytes, {}).has_value());
}

TEST(StatementParts, SomeInputsAreReadWhole) {
  const std::string bytes = intact();
  EXPECT_FALSE(StatementParts::plan(bytes, 1, kPart));                  // one thread
  EXPECT_FALSE(StatementParts::plan(bytes, 4, bytes.size()));           // too small to cut
  EXPECT_FALSE(StatementParts::plan(statement(documents(0, 2)), 4, 1)); // below the window
  EXPECT_FALSE(StatementParts::plan(testing::to_utf16(bytes, false), 4, kPart));
  EXPECT_FALSE(StatementParts::plan(std::string(3 * kPart, ' '), 4, kPart));
  // No document section to cut before.
  std::string accounts;
  for (int i = 0; i < 300; ++i) accounts += account_section("40702810000000000001", "01.02.2024");
  EXPECT_FALSE(StatementParts::plan(statement(accounts), 4, kPart));
}

TEST(StatementParts, AFirstPartThatIsNoStatementIsAnError) {
  std::string bytes = intact();
  bytes.insert(0, 1, '\n'); // a blank first line
  auto parts = StatementParts::plan(bytes, 2, kPart);
  ASSERT_TRUE(parts.has_value());
  Recorder recorder;
  const auto first = parts->read(0, recorder);
  ASSERT_TRUE(first.error.has_value());
  EXPECT_EQ(first.error->kind(), ParseError::Kind::NotStatement);
}

} // namespace
} // namespace velmora
