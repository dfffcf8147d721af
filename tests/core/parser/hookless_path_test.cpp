// Documents read without hooks skip the section map; whatever the section
// holds, the statement must be exactly the one built through the map, which
// is the path every parse with hooks takes.
#include <gtest/gtest.h>

#include <string>

#include "statement_text.hpp"
#include "velmora/parse_statement.hpp"

namespace velmora {
namespace {

class NoOpHook final : public SectionHook {
public:
  HookOutcome call(SectionType, AttributeMap &, const AttributeMap &) override {
    return HookOutcome::Continue();
  }
};

struct Case {
  const char *name;
  std::string sections;
};

std::string doc(std::string_view extra_before, std::string_view extra_after = {}) {
  return "СекцияДокумент=Платежное поручение\n" + std::string(extra_before) +
         velmora::testing::document_body() + std::string(extra_after) + "КонецДокумента\n";
}

class HooklessPath : public ::testing::TestWithParam<Case> {};

TEST_P(HooklessPath, SameStatementAsThroughTheSectionMap) {
  const std::string text = velmora::testing::statement(GetParam().sections);
  NoOpHook hook;
  SectionHook *hooks[] = {&hook};
  auto plain = parse_statement(text);
  auto mapped = parse_statement(text, hooks);
  ASSERT_EQ(plain.has_value(), mapped.has_value());
  if (!plain) {
    EXPECT_EQ(plain.error(), mapped.error());
    return;
  }
  EXPECT_EQ(plain->documents, mapped->documents);
  EXPECT_EQ(plain->warnings, mapped->warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, HooklessPath,
    ::testing::Values(
        Case{"plain", doc("")},
        Case{"later_duplicate_replaces_value", doc("", "Сумма=5.5\nНомер=77\n")},
        Case{"duplicate_keeps_first_place", doc("Сумма=bad\nДата=31.02.2024\n", "Сумма=1\n")},
        Case{"first_bad_value_in_first_place_order",
             doc("ДатаСписано=xx\n", "Дата=yy\nСумма=zz\n")},
        Case{"bad_value_replaced_by_good", doc("Дата=yy\n", "Дата=01.01.2024\n")},
        Case{"unknown_keys_ignored", doc("КвитанцияДата=01.01.2024\nСрокАкцепта=\n")},
        Case{"empty_optional_values", doc("Плательщик4=\nДатаПоступило=\nДатаСписано= \n")},
        Case{"missing_required_fields",
             "СекцияДокумент=Платежное поручение\nНомер=1\nСумма=1\nКонецДокумента\n"},
        Case{"empty_section", "СекцияДокумент=\nКонецДокумента\n"},
        Case{"empty_type_value",
             "СекцияДокумент=\n" + velmora::testing::document_body() + "КонецДокумента\n"},
        Case{"several_documents", doc("") + doc("Сумма=x\n", "Сумма=2\n") + doc("Дата=\n", "")},
        Case{"between_accounts",
             velmora::testing::account_section("40702810000000000001", "01.01.2024") + doc("") +
                 velmora::testing::account_section("40702810000000000001", "02.01.2024")}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora
