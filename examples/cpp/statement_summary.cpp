// Reads a statement file and prints its accounts with their balances, and
// the number and total of its documents.
//
//   statement_summary examples/statement_cp1251.txt

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include <velmora/velmora.hpp>

namespace {

using velmora::Decimal;
using velmora::u128;

std::optional<std::string> read_file(const char *path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string show(const std::optional<Decimal> &amount) {
  return amount ? velmora::format_decimal(*amount) : "-";
}

// A running sum of amounts: a signed 128-bit mantissa at the largest scale
// seen so far. The amounts of one statement stay far below its range.
class Total {
public:
  void add(const Decimal &amount) {
    while (scale_ < amount.scale()) {
      sum_ *= 10;
      ++scale_;
    }
    __int128 m = static_cast<__int128>(amount.mantissa());
    for (unsigned s = amount.scale(); s < scale_; ++s) m *= 10;
    if (amount.negative())
      sum_ -= m;
    else
      sum_ += m;
  }
  std::string text() const {
    std::string digits;
    u128 v = sum_ < 0 ? -static_cast<u128>(sum_) : static_cast<u128>(sum_);
    do {
      digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
      v /= 10;
    } while (v != 0);
    if (scale_ == 0) return sum_ < 0 ? "-" + digits : digits;
    while (digits.size() <= scale_) digits.insert(digits.begin(), '0');
    digits.insert(digits.end() - scale_, '.');
    return sum_ < 0 ? "-" + digits : digits;
  }

private:
  __int128 sum_ = 0;
  unsigned scale_ = 0;
};

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::cerr << "usage: statement_summary FILE\n";
    return 2;
  }
  std::optional<std::string> bytes = read_file(argv[1]);
  if (!bytes) {
    std::cerr << argv[1] << ": cannot read the file\n";
    return 1;
  }
  auto parsed = velmora::parse_statement(*bytes);
  if (!parsed) {
    const velmora::ParseError &error = parsed.error();
    std::cerr << argv[1];
    if (error.has_lineno()) std::cerr << ':' << error.lineno();
    std::cerr << ": " << error.display() << '\n';
    return 1;
  }
  const velmora::Statement &statement = *parsed;
  std::cout << "encoding: " << velmora::encoding_name(statement.encoding) << '\n';
  for (const velmora::Account &account : statement.accounts) {
    std::cout << "account " << account.number << '\n';
    for (const velmora::Interval &interval : account.intervals) {
      std::cout << "  " << velmora::format_date(interval.date_start) << ".."
                << (interval.date_end ? velmora::format_date(*interval.date_end) : "")
                << "  opening " << velmora::format_decimal(interval.start_amount) << "  income "
                << show(interval.total_income) << "  expense " << show(interval.total_expense)
                << "  closing " << show(interval.end_amount) << '\n';
    }
  }
  std::map<std::string, Total> by_type;
  Total total;
  for (const velmora::Document &doc : statement.documents) {
    total.add(doc.amount);
    by_type[doc.doc_type].add(doc.amount);
  }
  std::cout << "documents: " << statement.documents.size() << ", total " << total.text() << '\n';
  for (const auto &[type, sum] : by_type) std::cout << "  " << type << ": " << sum.text() << '\n';
  std::cout << "warnings: " << statement.warnings.size() << '\n';
  return 0;
}
