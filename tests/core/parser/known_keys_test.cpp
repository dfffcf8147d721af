#include "parser/known_keys.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace velmora {
namespace {

TEST(KnownKeys, EveryKeyOfTheDefinitionFindsItsField) {
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    const KnownKey known = kKnownKeys.find(kDocumentFields[i].key);
    EXPECT_EQ(known.document_field, i) << kDocumentFields[i].key;
    EXPECT_EQ(known.interval_field, KnownKey::kNone) << kDocumentFields[i].key;
    EXPECT_FALSE(known.account_number);
  }
  for (std::size_t i = 0; i < kIntervalFieldCount; ++i) {
    const KnownKey known = kKnownKeys.find(kIntervalFields[i].key);
    EXPECT_EQ(known.interval_field, i) << kIntervalFields[i].key;
    EXPECT_EQ(known.document_field, KnownKey::kNone) << kIntervalFields[i].key;
  }
  const KnownKey account = kKnownKeys.find(kAccountNumberKey);
  EXPECT_TRUE(account.account_number);
  EXPECT_EQ(account.document_field, KnownKey::kNone);
  EXPECT_EQ(account.interval_field, KnownKey::kNone);
  EXPECT_EQ(kDocumentFields[kDocumentTypeField].key, kDocumentBeginKey);
  EXPECT_EQ(kKnownKeys.size(), kDocumentFieldCount + kIntervalFieldCount + 1);
}

// Keys near the known ones: each known key cut, extended, with one byte
// changed, and the texts of markers and header keys.
TEST(KnownKeys, KeysNearTheKnownOnesAreUnknown) {
  std::set<std::string> known;
  for (const FieldInfo &f : kDocumentFields) known.emplace(f.key);
  for (const FieldInfo &f : kIntervalFields) known.emplace(f.key);
  known.emplace(kAccountNumberKey);
  std::set<std::string> near = {"",
                                "=",
                                std::string(kMagicLine),
                                std::string(kAccountBeginMarker),
                                std::string(kDocumentEndMarker),
                                std::string(kEncodingKey),
                                "Документ",
                                "КвитанцияДата",
                                std::string(300, 'x')};
  for (const std::string &key : known) {
    for (std::size_t cut = 0; cut < key.size(); ++cut) near.insert(key.substr(0, cut));
    near.insert(key + "1");
    near.insert(" " + key);
    for (std::size_t i = 0; i < key.size(); ++i) {
      std::string changed = key;
      changed[i] = static_cast<char>(changed[i] ^ 1);
      near.insert(changed);
    }
  }
  for (const std::string &key : near) {
    if (known.contains(key)) continue;
    const KnownKey found = kKnownKeys.find(key);
    EXPECT_EQ(found.document_field, KnownKey::kNone) << key;
    EXPECT_EQ(found.interval_field, KnownKey::kNone) << key;
    EXPECT_FALSE(found.account_number) << key;
  }
}

} // namespace
} // namespace velmora
