// The info pane's figures during an untraced reduction: taken at most every
// quarter second, counted from the reduction's start, and the line on
// "minimal" only after a few seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "reduce_progress.h"

namespace tervo {
namespace {

bool HasText(const std::vector<InfoText>& texts, const std::string& part) {
  return std::any_of(texts.begin(), texts.end(), [&](const InfoText& t) { return t.text.find(part) != std::string::npos; });
}

std::string RightAlignedAt(const std::vector<InfoText>& texts, int y) {
  for (const InfoText& t : texts)
    if (t.y == y && t.alignRight) return t.text;
  return "?";
}

TEST(ReduceProgress, FiguresFromTheStartAtMostFourTimesASecond) {
  auto e = std::make_unique<Engine>();
  e->PassCount = 40;  // passes of earlier runs
  e->TermCount = 6;
  for (int t = 1; t <= 6; ++t) e->TermMask[t] = 3;
  ReduceProgress p;
  EXPECT_TRUE(p.Texts().empty());
  p.Start(*e, 100.0);
  e->PassCount = 43;
  e->TermMask[2] = 0;  // deleted, not yet compacted
  EXPECT_FALSE(p.Update(*e, 100.1));  // too soon
  EXPECT_TRUE(p.Update(*e, 100.3));
  EXPECT_FALSE(p.Update(*e, 100.5));
  EXPECT_EQ(p.TermsAtStart(), 6u);
  EXPECT_EQ(p.TermsLeft(), 5u);
  const auto texts = p.Texts();
  // Figures a user can read, each with its label; no pass count.
  EXPECT_TRUE(HasText(texts, "terms at start"));
  EXPECT_TRUE(HasText(texts, "terms left"));
  EXPECT_FALSE(HasText(texts, "pass"));
  EXPECT_EQ(RightAlignedAt(texts, 30), "6");
  EXPECT_EQ(RightAlignedAt(texts, 50), "5");
  EXPECT_EQ(RightAlignedAt(texts, 70), "0");
  EXPECT_FALSE(HasText(texts, "minimal"));

  EXPECT_TRUE(p.Update(*e, 100.0 + kMinimalHintAfter + 0.1));
  EXPECT_EQ(RightAlignedAt(p.Texts(), 70), "3");
  EXPECT_TRUE(HasText(p.Texts(), "\"minimal\""));
  EXPECT_TRUE(HasText(p.Texts(), "well under a second"));

  p.Stop();
  EXPECT_TRUE(p.Texts().empty());
  EXPECT_FALSE(p.Update(*e, 200.0));
}

}  // namespace
}  // namespace tervo
