#include "property_bag.h"

#include <gtest/gtest.h>

namespace sorane {
namespace {

TEST(PropertyBag, KeysMatchWithoutCaseAndDefaultsAreNotStored) {
  PropertyBag bag;
  bag.write(QStringLiteral("Keta"), 2, 4);
  bag.write(QStringLiteral("Shift"), 0, 0);
  bag.write(QStringLiteral("Value"), QStringLiteral("123"), 0);
  EXPECT_EQ(bag.keys(), (QStringList{"Keta", "Value"}));
  EXPECT_EQ(bag.read(QStringLiteral("KETA"), 4).toInt(), 2);
  EXPECT_EQ(bag.read(QStringLiteral("shift"), 7).toInt(), 7);
  EXPECT_EQ(bag.read(QStringLiteral("value"), 0).toString(), QStringLiteral("123"));
}

TEST(PropertyBag, RewritingAKeyReplacesIt) {
  PropertyBag bag;
  bag.write(QStringLiteral("Keta"), 2, 4);
  bag.write(QStringLiteral("keta"), 4, 4);  // back to the default: removed
  EXPECT_FALSE(bag.contains(QStringLiteral("Keta")));
  bag.write(QStringLiteral("keta"), 9, 4);
  EXPECT_EQ(bag.keys(), QStringList{"keta"});
}

}  // namespace
}  // namespace sorane
