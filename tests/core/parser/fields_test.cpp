#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "velmora/model/document.hpp"
#include "velmora/model/document_members.hpp"
#include "velmora/model/interval.hpp"

namespace velmora {
namespace {

// The records derived from the field lists stay plain structs with the
// member types that callers have always seen.
static_assert(std::is_aggregate_v<Document> && std::is_aggregate_v<Interval>);
static_assert(std::is_same_v<decltype(Document::doc_number), std::string>);
static_assert(std::is_same_v<decltype(Document::payment_type), std::optional<std::string>>);
static_assert(std::is_same_v<decltype(Document::doc_date), Date>);
static_assert(std::is_same_v<decltype(Document::outcome_date), std::optional<Date>>);
static_assert(std::is_same_v<decltype(Document::amount), Decimal>);
static_assert(std::is_same_v<decltype(Interval::date_start), Date>);
static_assert(std::is_same_v<decltype(Interval::end_amount), std::optional<Decimal>>);

// Each member's type is what its table entry's kind and required flag say.
template <class Record> bool types_follow_the_table() {
  bool ok = true;
  Record record{};
  for_each_field(record, [&](const FieldInfo &info, auto &member) {
    using M = std::remove_reference_t<decltype(member)>;
    bool follows = false;
    if (info.kind == FieldKind::Text) {
      follows = info.required ? std::is_same_v<M, FieldType<FieldKind::Text, true>>
                              : std::is_same_v<M, FieldType<FieldKind::Text, false>>;
    } else if (info.kind == FieldKind::Date) {
      follows = info.required ? std::is_same_v<M, FieldType<FieldKind::Date, true>>
                              : std::is_same_v<M, FieldType<FieldKind::Date, false>>;
    } else {
      follows = info.required ? std::is_same_v<M, FieldType<FieldKind::Amount, true>>
                              : std::is_same_v<M, FieldType<FieldKind::Amount, false>>;
    }
    ok = ok && follows;
  });
  return ok;
}

TEST(Fields, MemberTypesFollowTheTable) {
  EXPECT_TRUE(types_follow_the_table<Document>());
  EXPECT_TRUE(types_follow_the_table<Interval>());
}

// for_each_field walks the members in declaration order, the order of the
// table, which is also their order in memory.
template <class Record> std::vector<std::uintptr_t> member_addresses(const Record &record) {
  std::vector<std::uintptr_t> out;
  for_each_field(record, [&](const FieldInfo &, const auto &member) {
    out.push_back(reinterpret_cast<std::uintptr_t>(&member));
  });
  return out;
}

TEST(Fields, VisitsEveryMemberOnceInDeclarationOrder) {
  Document doc;
  std::vector<std::uintptr_t> at = member_addresses(doc);
  ASSERT_EQ(at.size(), kDocumentFieldCount);
  for (std::size_t i = 1; i < at.size(); ++i)
    EXPECT_LT(at[i - 1], at[i]) << kDocumentFields[i].name;
  EXPECT_EQ(at.front(), reinterpret_cast<std::uintptr_t>(&doc.doc_number));
  EXPECT_EQ(at.back(), reinterpret_cast<std::uintptr_t>(&doc.tax_type));

  Interval interval;
  std::vector<std::uintptr_t> iat = member_addresses(interval);
  ASSERT_EQ(iat.size(), kIntervalFieldCount);
  EXPECT_EQ(iat[1], reinterpret_cast<std::uintptr_t>(&interval.date_end));
  EXPECT_EQ(iat[5], reinterpret_cast<std::uintptr_t>(&interval.total_expense));
}

TEST(Fields, RunTimeMemberPointersMatchTheCompileTimeOnes) {
  // Write each optional text through for_each_field, read it back through
  // kDocumentMembers: entry i must reach the same member.
  Document doc;
  for_each_field(doc, [](const FieldInfo &info, auto &member) {
    if constexpr (std::is_same_v<std::remove_reference_t<decltype(member)>,
                                 std::optional<std::string>>) {
      member = std::string(info.name);
    }
  });
  std::size_t checked = 0;
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    if (const auto *m = std::get_if<std::optional<std::string> Document::*>(&kDocumentMembers[i])) {
      EXPECT_EQ(doc.*(*m), std::string(kDocumentFields[i].name));
      ++checked;
    }
  }
  EXPECT_EQ(checked, 38u);
}

TEST(Fields, TablesNameTheMembersAndKeys) {
  EXPECT_EQ(kDocumentFields[field_index(kDocumentFields, "uin")].key, "Код");
  EXPECT_EQ(field_index(kDocumentFields, "no_such_member"), kDocumentFieldCount);
  EXPECT_EQ(kIntervalFields[2].key, "НачальныйОстаток");
  Interval interval;
  field<2>(interval) = Decimal{};
  EXPECT_EQ(&field<2>(interval), &interval.start_amount);
  // The Python class groups the typed fields first; the model does not.
  constexpr auto order = attribute_order(kDocumentFields);
  EXPECT_EQ(order[2], "doc_date");
  EXPECT_EQ(order[3], "amount");
  EXPECT_EQ(kDocumentFields[3].name, "doc_date");
}

} // namespace
} // namespace velmora
