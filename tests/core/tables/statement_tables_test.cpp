#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "parser/statement_text.hpp"
#include "tables/column.hpp"
#include "velmora/tables/statement_tables.hpp"

namespace velmora::tables {
namespace {

using velmora::testing::account_section;
using velmora::testing::document_body;
using velmora::testing::document_section;
using velmora::testing::statement;

// A table pulled through the stream interface, as a consumer sees it.
struct Imported {
  ArrowSchema schema{};
  std::vector<ArrowArray> batches;

  explicit Imported(const Table &table) {
    ArrowArrayStream stream{};
    EXPECT_EQ(table.export_stream(&stream), 0);
    EXPECT_EQ(stream.get_schema(&stream, &schema), 0);
    while (true) {
      ArrowArray batch{};
      EXPECT_EQ(stream.get_next(&stream, &batch), 0);
      if (batch.release == nullptr) break;
      batches.push_back(batch);
    }
    stream.release(&stream);
  }
  ~Imported() {
    for (ArrowArray &b : batches) b.release(&b);
    schema.release(&schema);
  }

  int column(std::string_view name) const {
    for (int i = 0; i < schema.n_children; ++i) {
      if (name == schema.children[i]->name) return i;
    }
    ADD_FAILURE() << "no column " << name;
    return 0;
  }
  std::string format(std::string_view name) const { return schema.children[column(name)]->format; }
  const ArrowArray &cells(std::size_t batch, std::string_view name) const {
    return *batches[batch].children[column(name)];
  }
};

bool valid(const ArrowArray &a, std::int64_t i) {
  const auto *bits = static_cast<const std::uint8_t *>(a.buffers[0]);
  return bits == nullptr || ((bits[i >> 3] >> (i & 7)) & 1);
}

std::string text(const ArrowArray &a, std::int64_t i) {
  const auto *offsets = static_cast<const std::int32_t *>(a.buffers[1]);
  const char *data = static_cast<const char *>(a.buffers[2]);
  return std::string(data + offsets[i], static_cast<std::size_t>(offsets[i + 1] - offsets[i]));
}

template <class T> T fixed(const ArrowArray &a, std::int64_t i) {
  T v;
  std::memcpy(&v, static_cast<const char *>(a.buffers[1]) + i * sizeof(T), sizeof(T));
  return v;
}

__int128 decimal128(const ArrowArray &a, std::int64_t i) { return fixed<__int128>(a, i); }

std::vector<std::pair<std::string, std::string>> map_row(const ArrowArray &a, std::int64_t i) {
  const auto *offsets = static_cast<const std::int32_t *>(a.buffers[1]);
  const ArrowArray &entries = *a.children[0];
  std::vector<std::pair<std::string, std::string>> out;
  for (std::int32_t e = offsets[i]; e < offsets[i + 1]; ++e) {
    out.emplace_back(text(*entries.children[0], e), text(*entries.children[1], e));
  }
  return out;
}

FileTables read(std::string_view bytes) {
  auto tables = read_file_tables(bytes);
  EXPECT_TRUE(tables.has_value()) << (tables ? "" : tables.error().message);
  return *tables;
}

TEST(StatementTables, DocumentsKeepUnknownKeysAndSkipFailedSections) {
  std::string text_in = statement(
      "СекцияДокумент=Платежное поручение\n" + document_body("1", "10.5") +
      "КвитанцияДата=01.01.2024\nДатаСписано=06.03.2024\nКвитанцияДата=02.01.2024\nZ=last\n"
      "КонецДокумента\n"
      "СекцияДокумент=Платежное поручение\nНомер=2\nЛишний=x\nКонецДокумента\n" +
      document_section("3", "-7.125"));
  std::vector<SourceRows> sources{{"a.txt", read(text_in)}};
  StatementTables tables = assemble_tables(sources);
  Imported docs(tables[TableKind::Documents]);
  ASSERT_EQ(docs.batches.size(), 1u);
  EXPECT_EQ(docs.batches[0].length, 2);
  EXPECT_EQ(std::string(docs.schema.children[0]->name), "source");
  EXPECT_EQ(std::string(docs.schema.children[1]->name), "document");
  EXPECT_EQ(std::string(docs.schema.children[2]->name), "doc_number");
  EXPECT_EQ(std::string(docs.schema.children[docs.schema.n_children - 1]->name), "extra");
  EXPECT_EQ(docs.schema.n_children, 2 + 53 + 1);
  EXPECT_EQ(docs.format("amount"), "d:38,3");
  EXPECT_EQ(docs.format("doc_date"), "tdD");
  EXPECT_EQ(docs.format("extra"), "+m");

  EXPECT_EQ(text(docs.cells(0, "source"), 1), "a.txt");
  EXPECT_EQ(fixed<std::int32_t>(docs.cells(0, "document"), 1), 1);
  EXPECT_EQ(text(docs.cells(0, "doc_number"), 1), "3");
  EXPECT_EQ(decimal128(docs.cells(0, "amount"), 0), 10500);
  EXPECT_EQ(decimal128(docs.cells(0, "amount"), 1), -7125);
  EXPECT_EQ(fixed<std::int32_t>(docs.cells(0, "doc_date"), 0), 19787); // 2024-03-05
  EXPECT_TRUE(valid(docs.cells(0, "outcome_date"), 0));
  EXPECT_FALSE(valid(docs.cells(0, "outcome_date"), 1));
  EXPECT_FALSE(valid(docs.cells(0, "payment_type"), 0));
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(map_row(docs.cells(0, "extra"), 0),
            (Pairs{{"КвитанцияДата", "02.01.2024"}, {"Z", "last"}}));
  EXPECT_EQ(map_row(docs.cells(0, "extra"), 1), Pairs{});

  Imported warnings(tables[TableKind::Warnings]);
  ASSERT_EQ(warnings.batches.size(), 1u);
  EXPECT_EQ(fixed<std::int64_t>(warnings.cells(0, "line"), 0), 25);
}

TEST(StatementTables, HeaderKeepsEveryLineAndIntervalsTheirOrder) {
  std::string text_in = "1CClientBankExchange\nРасчСчет=1\n\nРасчСчет=2\n" +
                        account_section("40702", "01.02.2024", "5") +
                        account_section("40702", "01.01.2024", "1.25") + "КонецФайла\n";
  std::vector<SourceRows> sources{{"h", read(text_in)}};
  StatementTables tables = assemble_tables(sources);
  Imported header(tables[TableKind::Header]);
  ASSERT_EQ(header.batches[0].length, 2);
  EXPECT_EQ(fixed<std::int64_t>(header.cells(0, "line"), 1), 4);
  EXPECT_EQ(text(header.cells(0, "value"), 1), "2");
  Imported intervals(tables[TableKind::Intervals]);
  EXPECT_EQ(intervals.format("start_amount"), "d:38,2");
  EXPECT_EQ(decimal128(intervals.cells(0, "start_amount"), 0), 125);
  EXPECT_EQ(decimal128(intervals.cells(0, "start_amount"), 1), 500);
  EXPECT_FALSE(valid(intervals.cells(0, "end_amount"), 0));
}

TEST(StatementTables, ScaleAndWidthAreTheTablesAndFailuresBecomeRows) {
  // 29 digits at scale 0 next to a value of scale 28 needs 57 digits.
  std::vector<SourceRows> sources{
      {"big", read(statement(document_section("1", "79228162514264337593543950335")))},
      {"bad", failure_of(ParseError::not_statement())},
      {"fine", read(statement(document_section("2", "-0.0000000000000000000000000001")))},
  };
  StatementTables tables = assemble_tables(sources);
  Imported docs(tables[TableKind::Documents]);
  EXPECT_EQ(docs.format("amount"), "d:76,28,256");
  ASSERT_EQ(docs.batches.size(), 2u);
  const ArrowArray &small = docs.cells(1, "amount");
  std::uint64_t limbs[4];
  std::memcpy(limbs, small.buffers[1], 32);
  for (std::uint64_t limb : limbs) EXPECT_EQ(limb, ~std::uint64_t{0}); // -1 at scale 28

  Imported errors(tables[TableKind::Errors]);
  ASSERT_EQ(errors.batches.size(), 1u);
  EXPECT_EQ(text(errors.cells(0, "source"), 0), "bad");
  EXPECT_EQ(text(errors.cells(0, "error"), 0), "NotStatementError");
  EXPECT_FALSE(valid(errors.cells(0, "line"), 0));
}

TEST(StatementTables, ParseErrorsCarryTheirLine) {
  auto failed = read_file_tables(statement("Лишняя строка\n"));
  ASSERT_FALSE(failed.has_value());
  EXPECT_EQ(failed.error().error, "SyntaxError");
  EXPECT_EQ(failed.error().line, 4u);
  EXPECT_EQ(read_file_tables("").error().error, "EmptyInputError");
}

TEST(StatementTables, EmptyTablesStillHaveTheirSchema) {
  StatementTables tables = assemble_tables({});
  Imported docs(tables[TableKind::Documents]);
  EXPECT_TRUE(docs.batches.empty());
  EXPECT_EQ(docs.format("amount"), "d:38,0");
  EXPECT_EQ(tables[TableKind::Errors].num_columns(), 4u);
}

// One cell as text, whatever its column's format; "null" for a null.
std::string render(const ArrowArray &a, std::string_view format, std::int64_t i) {
  if (!valid(a, i)) return "null";
  if (format == "u") return text(a, i);
  if (format == "i" || format == "tdD") return std::to_string(fixed<std::int32_t>(a, i));
  if (format == "l") return std::to_string(fixed<std::int64_t>(a, i));
  if (format == "+m") {
    std::string out;
    for (const auto &[k, v] : map_row(a, i)) out += k + "=" + v + ";";
    return out;
  }
  // Decimals: the cell's bytes.
  const std::size_t width = format.starts_with("d:76") ? 32 : 16;
  return std::string(static_cast<const char *>(a.buffers[1]) + i * width, width);
}

// Every row of a table, each as its cells joined, over all its batches.
std::vector<std::string> rows_of(const Table &table) {
  Imported imported(table);
  std::vector<std::string> rows;
  for (const ArrowArray &batch : imported.batches) {
    for (std::int64_t i = 0; i < batch.length; ++i) {
      std::string row;
      for (int c = 0; c < imported.schema.n_children; ++c) {
        row += render(*batch.children[c], imported.schema.children[c]->format, i) + "|";
      }
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

TEST(StatementTables, AStatementReadInPartsOnThreadsHasTheRowsOfTheWhole) {
  std::string sections = account_section("40702810000000000001", "01.02.2024");
  for (int i = 0; i < 600; ++i) {
    if (i % 50 == 7) {
      sections += "СекцияДокумент=Платежное поручение\nНомер=" + std::to_string(i) +
                  "\nКонецДокумента\n"; // a warning
    } else {
      sections += "СекцияДокумент=Платежное поручение\n" +
                  document_body(std::to_string(i), std::to_string(i) + ".25") +
                  "КвитанцияДата=01.01.2024\nКонецДокумента\n";
    }
  }
  const std::string utf8 = statement(sections);
  for (const std::string &bytes : {utf8, velmora::testing::to_cp1251(utf8)}) {
    auto whole = read_file_tables(bytes);
    auto parts = read_file_tables(bytes, 3, 1);
    ASSERT_TRUE(whole && parts);
    std::vector<SourceRows> one{{"s", *whole}}, three{{"s", *parts}};
    const StatementTables expected = assemble_tables(one), got = assemble_tables(three);
    EXPECT_EQ(Imported(got[TableKind::Documents]).batches.size(), 3u);
    for (std::size_t t = 0; t < kTableCount; ++t) {
      EXPECT_EQ(rows_of(got.tables[t]), rows_of(expected.tables[t])) << kTableNames[t];
    }
    EXPECT_EQ(parts->document_count(), whole->document_count());
  }
}

TEST(StatementTables, AStatementThatCannotBeReadInPartsIsReadWhole) {
  std::string sections;
  for (int i = 0; i < 600; ++i) sections += document_section(std::to_string(i));
  std::string broken = statement(sections);
  broken.insert(broken.find("СекцияДокумент", broken.size() * 2 / 3), "Ключ=между\n");
  auto whole = read_file_tables(broken);
  auto parts = read_file_tables(broken, 3, 1);
  ASSERT_FALSE(whole || parts);
  EXPECT_EQ(parts.error().message, whole.error().message);
  EXPECT_EQ(parts.error().line, whole.error().line);
}

TEST(StatementTables, DaysSinceEpoch) {
  EXPECT_EQ(days_since_epoch(Date{1970, 1, 1}), 0);
  EXPECT_EQ(days_since_epoch(Date{1969, 12, 31}), -1);
  EXPECT_EQ(days_since_epoch(Date{2000, 3, 1}), 11017);
  EXPECT_EQ(days_since_epoch(Date{-1, 1, 1}), -719893);
}

} // namespace
} // namespace velmora::tables
