#include <gtest/gtest.h>

#include "settings/value_set.h"
#include "store_fixture.h"

namespace vaultora::test {
namespace {

using BulkReadTest = StoreTest;

// Reading every sub-key at once must give what reading value by value gives.
TEST_F(BulkReadTest, SubKeyValuesReadAsTheSingleReadsDo) {
  TIniRegistryEditor& store = *FStore;
  store.WriteString("b", "Title", "second");
  store.WriteInteger("b", "Position", 4096);
  store.WriteString("A", "Title", "first");
  store.WriteString("A", "Size", "123");
  store.WriteString("A", "Broken", "not a number");
  store.WriteFloat("A", "When", 1.5);
  store.WriteString("c\\deeper", "Title", "only below");  // c itself has no values

  TStringList names;
  store.ReadSections(&names);
  const auto keys = store.ReadSubKeyValues();
  ASSERT_EQ(keys.size(), names.size());
  for (size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(keys[i].first, names[i]);
  ASSERT_EQ(names, (TStringList{"A", "b", "c"}));

  const TValueSet a(keys[0].second);
  EXPECT_EQ(a.ReadString("title", "?"), store.ReadString("A", "Title", "?"));
  EXPECT_EQ(a.ReadInteger("Size", 0), 123);
  EXPECT_EQ(a.ReadInteger("Broken", 7), store.ReadInteger("A", "Broken", 7));
  EXPECT_THROW(a.ReadString("When", ""), ERegistryException);
  EXPECT_THROW(store.ReadString("A", "When", ""), ERegistryException);
  EXPECT_FALSE(a.ValueExists("Missing"));
  EXPECT_EQ(a.ReadString("Missing", "default"), "default");
  EXPECT_EQ(TValueSet(keys[1].second).ReadInteger("Position", 0), 4096);
  EXPECT_TRUE(keys[2].second.empty());

  const TNamedValues one = store.ReadSectionValues("A");
  ASSERT_EQ(one.size(), 4u);
  EXPECT_EQ(one[0].first, "Title");  // creation order
  EXPECT_TRUE(store.ReadSectionValues("nowhere").empty());
}

}  // namespace
}  // namespace vaultora::test
