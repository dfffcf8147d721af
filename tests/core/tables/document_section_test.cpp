#include "tables/document_section.hpp"

#include "parser/known_keys.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "parser/document_observer.hpp"
#include "parser/statement_text.hpp"
#include "velmora/parse_statement.hpp"

namespace velmora::tables {
namespace {

// A document section's outcome as the tables see it: its cells as text, or
// the warning.
struct Outcome {
  std::uint64_t lineno = 0;
  std::string warning;
  std::vector<std::string> cells; // per field in declaration order; "-" when absent
  std::vector<std::pair<std::string, std::string>> extras;
};

// A present value as "=" and its text (g++ 12 misreads `"=" + text`).
std::string present(std::string_view text) {
  std::string out("=");
  out.append(text);
  return out;
}
std::string cell(const std::string &v) { return present(v); }
std::string cell(const std::optional<std::string> &v) { return v ? present(*v) : "-"; }
std::string cell(const Date &v) { return present(format_date(v)); }
std::string cell(const std::optional<Date> &v) { return v ? cell(*v) : "-"; }
// The scale is part of the text: the tables keep it.
std::string cell(const Decimal &v) { return present(format_decimal(v)); }

// What the reader passes for a line of the section.
void add(DocumentSection &section, std::string_view key, std::string_view value) {
  section.add(kKnownKeys.find(key).document_field, key, value);
}

class SectionObserver : public DocumentObserver {
public:
  void header_attribute(std::uint64_t, std::string_view, std::string_view) override {}
  void document_opened(std::uint64_t, std::string_view doc_type) override {
    section.open(doc_type);
  }
  void keep_views_of(std::string_view text) override {
    section.keep_views_of(text);
    ++stretches;
  }
  void section_attribute(SectionType, std::uint64_t, std::string_view, std::string_view) override {}
  void document_attribute(std::uint64_t, std::uint8_t field, std::string_view key,
                          std::string_view value) override {
    section.add(field, key, value);
  }
  void section_closed(SectionType type, std::uint64_t lineno) override {
    if (type != SectionType::Document) return;
    Outcome out{lineno, {}, {}, {}};
    auto converted = section.convert();
    if (!converted) {
      out.warning = converted.error();
    } else {
      for (std::size_t f = 0; f < kDocumentFieldCount; ++f) {
        const ConvertedValue &c = (*converted)[kConvertedSlot[f] % kConvertedFieldCount];
        switch (kDocumentFields[f].kind) {
        case FieldKind::Text: {
          auto v = section.value(f);
          out.cells.push_back(v ? present(*v) : "-");
          break;
        }
        case FieldKind::Date: out.cells.push_back(cell(c.date)); break;
        case FieldKind::Amount: out.cells.push_back(cell(c.amount)); break;
        }
      }
      for (const auto &e : section.extras()) out.extras.emplace_back(e.key, e.value);
    }
    outcomes.push_back(std::move(out));
  }

  DocumentSection section;
  std::vector<Outcome> outcomes;
  int stretches = 0;
};

Outcome from_document(const Document &doc) {
  Outcome out;
  for_each_field(doc,
                 [&](const FieldInfo &, const auto &member) { out.cells.push_back(cell(member)); });
  return out;
}

// Values that each kind of field accepts or refuses, blank ones included.
const std::vector<std::string> kTexts = {"Оплата", "", "x y", "1"};
const std::vector<std::string> kDates = {"05.03.2024", "5.3.24",     "31.02.2024",
                                         "",           "05-03-2024", "05.03"};
const std::vector<std::string> kAmounts = {"100.00", "1.5E3", "-0", ".5", "12,50", "", "_1"};
const std::vector<std::string> kUnknownKeys = {"КвитанцияДата", "СрокАкцепта", "Лишний", "НОМЕР"};

std::string pick(std::mt19937 &rng, const std::vector<std::string> &from) {
  return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
}

// A document section's attribute lines: most fields, some left out, some
// repeated, with values of every sort, and keys that no field takes.
std::string random_section(std::mt19937 &rng) {
  std::vector<std::string> lines;
  std::bernoulli_distribution often(0.93), sometimes(0.15);
  for (const FieldInfo &field : kDocumentFields) {
    if (field.key == kDocumentBeginKey) continue;
    const int copies = often(rng) ? (sometimes(rng) ? 2 : 1) : 0;
    for (int i = 0; i < copies; ++i) {
      const auto &values = field.kind == FieldKind::Text   ? kTexts
                           : field.kind == FieldKind::Date ? kDates
                                                           : kAmounts;
      // Mostly valid values, so that many sections build.
      const std::string value = sometimes(rng) ? pick(rng, values) : values[0];
      lines.push_back(std::string(field.key).append("=").append(value));
    }
  }
  for (int i = 0; i < 3; ++i) {
    if (sometimes(rng))
      lines.push_back(pick(rng, kUnknownKeys).append("=").append(pick(rng, kTexts)));
  }
  std::shuffle(lines.begin(), lines.end(), rng);
  std::string out = "СекцияДокумент=";
  out.append(pick(rng, kTexts)).append("\n");
  for (const std::string &line : lines) out.append(line).append("\n");
  return out.append("КонецДокумента\n");
}

struct Counts {
  std::size_t built = 0;
  std::size_t warned = 0;
  int stretches = 0;
};

// Parses `text` both ways and compares every outcome.
void expect_same_outcomes(const std::string &text, Counts &counts) {
  auto plain = parse_statement(text);
  ASSERT_TRUE(plain) << plain.error().display();
  SectionObserver observer;
  ASSERT_TRUE(parse_statement_observed(text, observer));
  counts.stretches += observer.stretches;

  ASSERT_EQ(observer.outcomes.size(), plain->documents.size() + plain->warnings.size());
  std::size_t d = 0, w = 0;
  for (const Outcome &out : observer.outcomes) {
    if (w < plain->warnings.size() && plain->warnings[w].lineno == out.lineno) {
      EXPECT_EQ(out.warning, plain->warnings[w].message) << out.lineno;
      ++w;
      ++counts.warned;
    } else {
      ASSERT_LT(d, plain->documents.size());
      EXPECT_TRUE(out.warning.empty()) << out.warning << " at " << out.lineno;
      EXPECT_EQ(out.cells, from_document(plain->documents[d]).cells) << out.lineno;
      ++d;
      ++counts.built;
    }
  }
}

TEST(DocumentSection, BuildsOrWarnsExactlyAsRecordBuildingDoes) {
  std::mt19937 rng(16);
  Counts counts;
  for (int round = 0; round < 300; ++round) {
    std::string sections;
    for (int i = 0; i < 4; ++i) sections += random_section(rng);
    expect_same_outcomes(testing::statement(sections), counts);
  }
  // The values are chosen so that both outcomes are common.
  EXPECT_GT(counts.built, 100u);
  EXPECT_GT(counts.warned, 100u);
}

TEST(DocumentSection, KeepsItsViewsAcrossTheStretchesOfWindows1251Input) {
  std::mt19937 rng(1251);
  std::string sections;
  for (int i = 0; i < 1500; ++i) sections += random_section(rng);
  Counts counts;
  expect_same_outcomes(testing::to_cp1251(testing::statement(sections)), counts);
  // Sections were open while the decoded text was replaced.
  EXPECT_GT(counts.stretches, 2);
  EXPECT_GT(counts.built, 300u);
}

TEST(DocumentSection, KeepsUnknownKeysInFirstOrderWithTheLastValue) {
  DocumentSection section;
  section.open("Ордер");
  add(section, "Лишний", "1");
  add(section, "Номер", "7");
  add(section, "КвитанцияДата", "2");
  add(section, "Лишний", "3");
  add(section, "Номер", "8");
  std::vector<std::pair<std::string, std::string>> extras;
  for (const auto &e : section.extras()) extras.emplace_back(e.key, e.value);
  EXPECT_EQ(extras, (std::vector<std::pair<std::string, std::string>>{{"Лишний", "3"},
                                                                      {"КвитанцияДата", "2"}}));
  EXPECT_EQ(section.value(0), "8");
  EXPECT_EQ(section.value(DocumentSection::kTypeField), "Ордер");
  // A new section starts empty.
  section.open("Другой");
  EXPECT_TRUE(section.extras().empty());
  EXPECT_FALSE(section.value(0));
  EXPECT_EQ(section.convert().error(), "missing field `Номер`");
}

TEST(DocumentSection, ManyUnknownKeysKeepTheirOrderAndLastValues) {
  // Past the keys it scans, the section finds repeated keys by an index,
  // which must follow the views that keep_views_of moves.
  auto keys = [](int from, int to) {
    std::string t;
    for (int i = from; i < to; ++i) t.append("Ключ").append(std::to_string(i)).append("\n");
    return t;
  };
  std::string first = keys(0, 61), second = keys(61, 100);
  DocumentSection section;
  section.open("Ордер");
  std::vector<std::pair<std::string, std::string>> expected;
  for (int i = 0; i < 100; ++i) {
    const std::string key = "Ключ" + std::to_string(i) + "\n";
    const std::string &text = i <= 60 ? first : second;
    add(section, std::string_view(text).substr(text.find(key), key.size() - 1), "a");
    expected.emplace_back(key.substr(0, key.size() - 1), "a");
  }
  // The first text goes away, as a decoded stretch does.
  section.keep_views_of(first);
  std::fill(first.begin(), first.end(), 'x');
  add(section, "Ключ7", "b");
  add(section, "Ключ99", "c");
  expected[7].second = "b";
  expected[99].second = "c";
  std::vector<std::pair<std::string, std::string>> extras;
  for (const auto &e : section.extras()) extras.emplace_back(e.key, e.value);
  EXPECT_EQ(extras, expected);
}

} // namespace
} // namespace velmora::tables
