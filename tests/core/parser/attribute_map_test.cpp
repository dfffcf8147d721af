#include "velmora/model/attribute_map.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

std::vector<std::string> keys_of(const AttributeMap &m) {
  std::vector<std::string> out;
  for (const auto &e : m) out.push_back(e.key);
  return out;
}

std::string key(int i) { return "Ключ" + std::to_string(i); }

TEST(AttributeMap, OrderAndLookupSurviveGrowth) {
  AttributeMap m;
  std::vector<std::string> expected;
  for (int i = 0; i < 300; ++i) {
    m.insert(key(i), std::to_string(i));
    expected.push_back(key(i));
  }
  for (int i = 0; i < 300; i += 7) m.insert(std::string(key(i)), std::string("new"));
  EXPECT_EQ(keys_of(m), expected);
  for (int i = 0; i < 300; ++i) {
    const std::string *v = m.find(key(i));
    ASSERT_NE(v, nullptr) << key(i);
    EXPECT_EQ(*v, i % 7 == 0 ? "new" : std::to_string(i));
  }
  EXPECT_EQ(m.find(key(300)), nullptr);
}

TEST(AttributeMap, KeysAreMatchedExactly) {
  AttributeMap m;
  m.insert("Сумма", "1");
  m.insert("Суммы", "2"); // same byte length
  m.insert("сумма", "3");
  m.insert("", "4");
  EXPECT_EQ(m.size(), 4u);
  EXPECT_EQ(*m.find("Сумма"), "1");
  EXPECT_EQ(*m.find(""), "4");
  EXPECT_FALSE(m.contains("Сумм"));
  EXPECT_FALSE(m.contains("Сумма "));
}

TEST(AttributeMap, ClearAndTakeLeaveAUsableEmptyMap) {
  AttributeMap m;
  for (int i = 0; i < 40; ++i) m.insert(key(i), "v");
  std::vector<AttributeMap::Entry> taken = m.take_entries();
  ASSERT_EQ(taken.size(), 40u);
  EXPECT_EQ(taken[39].key, key(39));
  EXPECT_TRUE(m.empty());
  EXPECT_FALSE(m.contains(key(0)));
  m.insert(key(5), "a");
  m.insert(key(1), "b");
  EXPECT_EQ(keys_of(m), (std::vector<std::string>{key(5), key(1)}));
  m.clear();
  EXPECT_FALSE(m.contains(key(5)));
  m.insert(key(1), "c");
  EXPECT_EQ(*m.find(key(1)), "c");
  EXPECT_EQ(m.size(), 1u);
}

TEST(AttributeMap, ReserveAfterEntriesAndCopiesAreIndependent) {
  AttributeMap m;
  m.insert("А", "1");
  m.insert("Б", "2");
  m.reserve(100);
  for (int i = 0; i < 100; ++i) m.insert(key(i), "x");
  EXPECT_EQ(*m.find("А"), "1");
  AttributeMap copy = m;
  copy.insert("А", "changed");
  copy.insert("Новый", "y");
  EXPECT_EQ(*m.find("А"), "1");
  EXPECT_FALSE(m.contains("Новый"));
  EXPECT_EQ(*copy.find("Б"), "2");
  EXPECT_NE(copy, m);
}

TEST(AttributeMap, EqualityFollowsOrder) {
  AttributeMap a, b;
  a.insert("А", "1");
  a.insert("Б", "2");
  b.insert("Б", "2");
  b.insert("А", "1");
  EXPECT_NE(a, b);
  b = AttributeMap();
  b.insert("А", "0");
  b.insert("Б", "2");
  b.insert("А", "1");
  EXPECT_EQ(a, b);
}

TEST(AttributeMap, ClearReleasesTheRoomOfAnOutsizedMap) {
  AttributeMap m;
  for (int i = 0; i < 10000; ++i) m.insert(key(i), "v");
  ASSERT_GT(m.slot_count(), AttributeMap::kRetainedSlots);
  m.clear();
  EXPECT_TRUE(m.empty());
  EXPECT_LE(m.slot_count(), AttributeMap::kRetainedSlots);
  EXPECT_LE(m.retained_entries(), AttributeMap::kRetainedEntries);
  EXPECT_EQ(m.find(key(5)), nullptr);
  // Usable as before, and a usual section keeps its room across clear().
  for (int i = 0; i < 60; ++i) m.insert(key(i), std::to_string(i));
  EXPECT_EQ(*m.find(key(59)), "59");
  const std::size_t slots = m.slot_count();
  m.clear();
  EXPECT_EQ(m.slot_count(), slots);
  m.insert(key(1), "again");
  EXPECT_EQ(keys_of(m), std::vector<std::string>{key(1)});
  EXPECT_EQ(m.find(key(2)), nullptr);
}

} // namespace
} // namespace velmora
