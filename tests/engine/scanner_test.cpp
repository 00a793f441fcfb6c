#include <gtest/gtest.h>

#include "test_support.h"

namespace tervo {
namespace {

TEST(Scanner, SingleVariableFillsOneRow) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Scan(*e, "A"), kOk);
  EXPECT_EQ(e->PostfixCount, 2);
  EXPECT_EQ(e->PostfixTable[1].var, 'A');
  EXPECT_EQ(e->PostfixTable[1].op, ' ');
  EXPECT_EQ(e->PostfixTable[1].pr, 0);
}

}  // namespace
}  // namespace tervo
