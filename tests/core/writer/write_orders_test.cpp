#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/codepage.hpp"
#include "velmora/parse_statement.hpp"
#include "velmora/writer/exchange_writer.hpp"
#include "velmora/writer/write_orders.hpp"

namespace {

using namespace velmora;

constexpr const char *kPayer = "40702810400000007777"; // a valid key at 044525974
constexpr const char *kPayerBic = "044525974";
constexpr const char *kPayee = "40702810938000012345"; // a valid key at 044525225
constexpr const char *kPayeeBic = "044525225";

constexpr std::size_t at(std::string_view name) { return field_index(kDocumentFields, name); }

OrderValues good_order(const char *number = "1", const char *date = "2024-03-05") {
  OrderValues v;
  v[at("doc_number")] = number;
  v[at("doc_type")] = std::string(kOrderDocType);
  v[at("payment_type")] = std::string(kOrderPaymentType);
  v[at("ordering")] = std::string(kOrderOrdering);
  v[at("doc_date")] = date;
  v[at("amount")] = "1500.50";
  v[at("purpose")] = "Оплата по счёту 17";
  v[at("counterparty_inn")] = "7707083893";
  v[at("counterparty_kpp")] = "770701001";
  v[at("counterparty_bic")] = kPayerBic;
  v[at("counterparty_bank1")] = "ПАО БАНК";
  v[at("counterparty_account")] = kPayer;
  v[at("counterparty")] = "ООО Ромашка";
  v[at("payee_inn")] = "500100732259";
  v[at("payee_bic")] = kPayeeBic;
  v[at("payee_bank1")] = "АО БАНК";
  v[at("payee_account")] = kPayee;
  v[at("payee")] = "ИП Иванов";
  return v;
}

OrderFileOptions options(OutputEncoding encoding = OutputEncoding::Windows1251) {
  OrderFileOptions o;
  o.account = kPayer;
  o.sender = "Бухгалтерия";
  o.created_date = Date{2024, 3, 6};
  o.created_time = TimeOfDay{9, 5, 7};
  o.write.encoding = encoding;
  return o;
}

std::vector<OrderProblem> problems_of(const OrderValues &order) {
  std::vector<OrderProblem> problems;
  read_order(order, 0, kPayer, problems);
  return problems;
}

TEST(OrderReading, AGoodOrderHasNoProblem) {
  EXPECT_EQ(problems_of(good_order()), std::vector<OrderProblem>{});
}

struct Refusal {
  const char *attribute;
  std::optional<std::string> value;
  const char *message_part;
};

class OrderRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(OrderRefusalTest, NamesTheAttribute) {
  const Refusal &r = GetParam();
  OrderValues order = good_order();
  order[at(r.attribute)] = r.value;
  const auto problems = problems_of(order);
  // Only the attribute changed is refused (an account of another file may
  // also have a key that does not agree: both are said).
  ASSERT_FALSE(problems.empty()) << r.attribute;
  for (const OrderProblem &p : problems) EXPECT_EQ(p.attribute, r.attribute) << p.message;
  EXPECT_EQ(problems[0].order, std::optional<std::size_t>(0));
  EXPECT_EQ(problems[0].attribute, r.attribute);
  EXPECT_NE(problems[0].message.find(r.message_part), std::string::npos) << problems[0].message;
}

INSTANTIATE_TEST_SUITE_P(
    Table, OrderRefusalTest,
    ::testing::Values(
        Refusal{"doc_number", std::nullopt, "is required"},
        Refusal{"purpose", "", "may not be empty"},
        Refusal{"payee_bank1", std::nullopt, "is required"},
        Refusal{"doc_date", "05.03.2024", "not a date in ISO form"},
        Refusal{"income_date", "2024-02-30", "not a date"}, Refusal{"amount", "12,50", "12,50"},
        Refusal{"amount", "0.00", "not above zero"}, Refusal{"amount", "-5", "not above zero"},
        Refusal{"amount", "10.005", "more than two fractional digits"},
        Refusal{"counterparty_inn", "7707083894", "wrong check digit"},
        Refusal{"payee_inn", "50010073225", "wrong length"},
        Refusal{"payee_inn", "500100732258", "wrong check digit"},
        Refusal{"counterparty_kpp", "77070100", "wrong length"},
        Refusal{"payee_kpp", "7707ab001", "character"},
        Refusal{"counterparty_account", "40702810400000007778", "not the file's account"},
        Refusal{"payee_bic", "04452522", "wrong length"},
        Refusal{"payee_account", "40702810938000012346", "control key"},
        Refusal{"payee_account", "4070281093800001234", "wrong length"},
        Refusal{"purpose", std::string(211, 'x'), "211 characters"}));

TEST(OrderReading, PlaceholdersAndLimitsPass) {
  OrderValues order = good_order();
  order[at("counterparty_inn")] = "0";
  order[at("payee_kpp")] = "0";
  order[at("counterparty_kpp")] = "";
  order[at("amount")] = "0.01";
  std::string purpose;
  for (int i = 0; i < 210; ++i) purpose += "ж"; // characters, not bytes
  order[at("purpose")] = purpose;
  EXPECT_EQ(problems_of(order), std::vector<OrderProblem>{});
}

// The counterparty's account is checked against its own BIC: a wrong BIC
// is reported once, and the key then is not judged.
TEST(OrderReading, ABadBicLeavesTheKeyUnjudged) {
  OrderValues order = good_order();
  order[at("payee_bic")] = "04452522x";
  const auto problems = problems_of(order);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].attribute, "payee_bic");
}

TEST(WriteOrders, EveryProblemOfEveryOrderIsReported) {
  OrderValues bad_amount = good_order("2");
  bad_amount[at("amount")] = "0";
  OrderValues bad_text = good_order("3");
  bad_text[at("payee")] = "line\nbreak";
  OrderFileOptions o = options();
  o.sender = " padded";
  const std::vector<OrderValues> orders{good_order(), bad_amount, bad_text};
  auto result = write_orders(orders, o);
  ASSERT_FALSE(result);
  const std::vector<std::pair<std::optional<std::size_t>, std::string>> expected{
      {std::nullopt, "sender"}, {1, "amount"}, {2, "payee"}};
  std::vector<std::pair<std::optional<std::size_t>, std::string>> got;
  for (const OrderProblem &p : result.error()) got.emplace_back(p.order, p.attribute);
  EXPECT_EQ(got, expected);
}

TEST(WriteOrders, NoOrderIsAProblem) {
  auto result = write_orders({}, options());
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().at(0).attribute, "orders");
}

TEST(WriteOrders, AnUnencodableCharacterIsRefused) {
  OrderValues order = good_order();
  order[at("purpose")] = "Оплата €";
  auto result = write_orders(std::vector{order}, options(OutputEncoding::Ibm866));
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().at(0).attribute, "purpose");
}

Statement read_back(const std::string &bytes, OutputEncoding encoding) {
  auto parsed = parse_statement(encoding == OutputEncoding::Ibm866
                                    ? text::decode_code_page(text::CodePage::Ibm866, bytes)
                                    : bytes);
  EXPECT_TRUE(parsed) << (parsed ? "" : parsed.error().display());
  return parsed ? std::move(*parsed) : Statement{};
}

TEST(WriteOrders, TheFileReadsBackToTheOrders) {
  for (const auto encoding :
       {OutputEncoding::Windows1251, OutputEncoding::Utf8, OutputEncoding::Ibm866}) {
    std::vector<OrderValues> orders{good_order("1", "2024-03-05"), good_order("2", "2024-03-01")};
    orders[1][at("amount")] = "1_000";
    orders[1][at("payment_type")].reset();
    orders[1][at("income_date")] = "2024-03-02";
    auto written = write_orders(orders, options(encoding));
    ASSERT_TRUE(written) << written.error().at(0).message;
    const Statement s = read_back(*written, encoding);
    EXPECT_TRUE(s.warnings.empty());
    ASSERT_EQ(s.documents.size(), orders.size());
    for (std::size_t i = 0; i < orders.size(); ++i) {
      OrderValues expected = orders[i];
      if (i == 1) expected[at("amount")] = "1000";
      EXPECT_EQ(order_values(s.documents[i]), expected) << "order " << i;
    }
    const AttributeMap &h = s.header;
    ASSERT_NE(h.find("ДатаНачала"), nullptr);
    EXPECT_EQ(*h.find("ДатаНачала"), "01.03.2024");
    EXPECT_EQ(*h.find("ДатаКонца"), "05.03.2024");
    EXPECT_EQ(*h.find("РасчСчет"), kPayer);
    EXPECT_EQ(*h.find("ВерсияФормата"), "1.03");
    EXPECT_EQ(*h.find("ДатаСоздания"), "06.03.2024");
    EXPECT_EQ(*h.find("ВремяСоздания"), "09:05:07");
    EXPECT_EQ(*h.find("Документ"), "Платежное поручение");
    EXPECT_EQ(*h.find("Кодировка"), std::string(encoding_header_value(encoding)));
  }
}

TEST(WriteOrders, TheHeaderComesInItsOrder) {
  OrderFileOptions o = options(OutputEncoding::Utf8);
  o.write.newline = Newline::Lf;
  o.date_start = Date{2024, 3, 1};
  o.date_end = Date{2024, 3, 31};
  auto written = write_orders(std::vector{good_order()}, o);
  ASSERT_TRUE(written);
  EXPECT_EQ(written->substr(0, written->find("СекцияДокумент")),
            "1CClientBankExchange\nВерсияФормата=1.03\nКодировка=UTF-8\nОтправитель=Бухгалтерия\n"
            "Получатель=\nДатаСоздания=06.03.2024\nВремяСоздания=09:05:07\n"
            "ДатаНачала=01.03.2024\nДатаКонца=31.03.2024\nРасчСчет=40702810400000007777\n"
            "Документ=Платежное поручение\n");
  EXPECT_TRUE(written->ends_with("КонецДокумента\nКонецФайла\n"));
}

TEST(WriteOrders, CanonicalValues) {
  EXPECT_EQ(canonical_order_value(FieldKind::Amount, "1_500.5"), "1500.5");
  EXPECT_EQ(canonical_order_value(FieldKind::Date, "2024-03-05"), "2024-03-05");
  EXPECT_FALSE(canonical_order_value(FieldKind::Date, "2024-3-5"));
  EXPECT_FALSE(canonical_order_value(FieldKind::Amount, "abc"));
  EXPECT_EQ(canonical_order_value(FieldKind::Text, " as is "), " as is ");
}

} // namespace
