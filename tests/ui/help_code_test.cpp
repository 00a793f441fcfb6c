// The two stored codes: the pair code of the help lines and the group code of
// the printed credit line.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "help_code.h"
#include "help_text.h"

namespace {

std::string AllBytes() {
  std::string text;
  for (int c = 0; c < 256; ++c) text += static_cast<char>(c);
  return text;
}

TEST(PairCode, EveryByteSurvivesWhateverTheNoise) {
  const std::string text = AllBytes();
  for (uint32_t noise : {0u, 1u, 12345u, 0xFFFFFFFFu}) {
    const std::string stored = tervo::EncodePairs(text, noise);
    ASSERT_EQ(stored.size(), 2 * text.size());
    for (char c : stored) {
      const int code = static_cast<uint8_t>(c);
      EXPECT_GE(code, 20);
      EXPECT_LE(code, 147);
    }
    EXPECT_EQ(tervo::DecodePairs(stored), text) << "noise " << noise;
  }
}

TEST(PairCode, UnusedBitsCarryNothing) {
  const std::string text = "\\LContents\\N A.B+/A.C";
  const std::string a = tervo::EncodePairs(text, 1);
  const std::string b = tervo::EncodePairs(text, 2);
  EXPECT_NE(a, b);
  EXPECT_EQ(tervo::DecodePairs(a), tervo::DecodePairs(b));
}

TEST(PairCode, OddLastCharacterEmptyTextAndDamage) {
  EXPECT_EQ(tervo::DecodePairs(""), "");
  const std::string stored = tervo::EncodePairs("ok", 7);
  EXPECT_EQ(tervo::DecodePairs(stored + 'x'), "ok");
  // Characters outside 20..147 are never written; reading them still yields
  // one byte per pair.
  EXPECT_EQ(tervo::DecodePairs(std::string("\x01\xFF\x00\x13", 4)).size(), 2u);
}

TEST(GroupCode, AlphabetIsDotSlashDigitsCapitalsSmallLetters) {
  EXPECT_EQ(tervo::GroupAlphabet(), "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
}

TEST(GroupCode, WorkedExamples) {
  // "/" has value 1: w bit 0 goes to u bit 11, which is bit 5 of the first
  // byte after the shift: a blank.
  EXPECT_EQ(tervo::DecodeGroups("/"), " ");
  // "U" has value 32 (bit 5): bits 5 and 11 of w go to u bits 6 and 12, that
  // is bits 0 and 6 of the first byte: 0x41.
  EXPECT_EQ(tervo::DecodeGroups("UU"), "A");
  // All-zero characters give a zero byte at once: no text.
  EXPECT_EQ(tervo::DecodeGroups("....."), "");
  EXPECT_EQ(tervo::DecodeGroups(""), "");
  // A character outside the alphabet counts as value 0.
  EXPECT_EQ(tervo::DecodeGroups("U U"), tervo::DecodeGroups("U.U"));
}

TEST(GroupCode, TextsOfEveryLengthSurvive) {
  for (size_t length = 0; length <= 40; ++length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += static_cast<char>(1 + (i * 37 + length) % 255);
    for (uint32_t noise : {0u, 99u}) {
      const std::string stored = tervo::EncodeGroups(text, noise);
      EXPECT_EQ(stored.size(), (length + 2) / 3 * 5);
      EXPECT_EQ(stored.find_first_not_of(tervo::GroupAlphabet()), std::string::npos);
      EXPECT_EQ(tervo::DecodeGroups(stored), text) << "length " << length;
    }
  }
  std::string everyByte = AllBytes().substr(1);
  EXPECT_EQ(tervo::DecodeGroups(tervo::EncodeGroups(everyByte)), everyByte);
}

TEST(GroupCode, TextEndsAtTheFirstZeroByte) {
  // "AB" fills its group with a zero byte; what follows is not read.
  const std::string stored = tervo::EncodeGroups("AB") + tervo::EncodeGroups("CDE");
  EXPECT_EQ(tervo::DecodeGroups(stored), "AB");
}

TEST(GroupCode, LongTextsAreReadWhole) {
  // More than 255 groups: the group count must not wrap.
  const std::string text(1000, 'q');
  EXPECT_EQ(tervo::DecodeGroups(tervo::EncodeGroups(text)), text);
}

TEST(GroupCode, StoredCreditLine) {
  EXPECT_EQ(tervo::kStoredCredit.size(), 60u);
  const std::string credit = tervo::DecodeGroups(tervo::kStoredCredit);
  EXPECT_EQ(credit, "tervo42 V2.0  Boolean function tool");
  EXPECT_LE(credit.size(), 36u);
}

// The built-in help lines decode to the source text, line for line: the
// generator and the window agree on the code.
TEST(StoredHelp, DecodesToTheSourceText) {
  std::ifstream in(TERVO_HELP_SOURCE_FILE, std::ios::binary);
  ASSERT_TRUE(in) << TERVO_HELP_SOURCE_FILE;
  std::vector<std::string> source;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    source.push_back(line);
  }
  const auto stored = tervo::StoredHelpLines();
  ASSERT_EQ(stored.size(), source.size());
  for (size_t i = 0; i < source.size(); ++i) {
    // The manual is plain ASCII, so its UTF-8 source and the stored Latin-1
    // text agree byte for byte.
    for (char c : source[i]) ASSERT_GE(c, 32) << "line " << i + 1 << ": not plain ASCII";
    EXPECT_EQ(tervo::DecodePairs(stored[i]), source[i]) << "line " << i + 1;
    EXPECT_EQ(tervo::DecodePairs(tervo::EncodePairs(source[i], static_cast<uint32_t>(i))), source[i]);
  }
}

}  // namespace
