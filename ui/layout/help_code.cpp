#include "help_code.h"

namespace tervo {

namespace {

constexpr int kPairOffset = 20;  // stored pair characters start at code 20
constexpr int kGroupChars = 5;   // characters per group
constexpr int kGroupBits = 30;   // bits per group word

// A small fixed generator for the noise bits: the same input always gives the
// same stored text, so a rebuild changes nothing.
uint32_t NextNoise(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// Where bit b of the group word w goes in u.
constexpr int PermutedBit(int b) { return ((b + 1) * 11) % kGroupBits; }

std::string BuildGroupAlphabet() {
  std::string alphabet;
  for (int c = 46; c <= 57; ++c) alphabet += static_cast<char>(c);  // "./0123456789"
  for (int c = 65; c <= 90; ++c) alphabet += static_cast<char>(c);  // "A".."Z"
  for (int c = 97; c <= 122; ++c) alphabet += static_cast<char>(c);  // "a".."z"
  return alphabet;
}

// Value of each character code in the group alphabet (0 for characters that
// are not in it).
struct GroupValues {
  std::array<uint8_t, 256> value{};
  GroupValues() {
    const std::string& alphabet = GroupAlphabet();
    for (size_t i = 0; i < alphabet.size(); ++i) value[static_cast<uint8_t>(alphabet[i])] = static_cast<uint8_t>(i);
  }
};

const GroupValues& Values() {
  static const GroupValues values;
  return values;
}

// Build the alphabet and its value table when the module starts.
[[maybe_unused]] const bool kGroupCodeReady = (Values(), true);

}  // namespace

std::string DecodePairs(std::string_view stored) {
  std::string text;
  text.reserve(stored.size() / 2);
  for (size_t k = 0; k + 1 < stored.size(); k += 2) {
    const unsigned c1 = (static_cast<uint8_t>(stored[k]) - kPairOffset) & 0x7F;
    const unsigned c2 = (static_cast<uint8_t>(stored[k + 1]) - kPairOffset) & 0x7F;
    const unsigned v = (c2 << 7) | c1;
    unsigned byte = 0;
    for (int j = 0; j < 8; ++j) {
      if (v & (1u << kPairBits[j])) byte |= 1u << j;
    }
    text += static_cast<char>(byte);
  }
  return text;
}

std::string EncodePairs(std::string_view text, uint32_t noise) {
  unsigned carried = 0;  // bits of v that carry text
  for (uint8_t bit : kPairBits) carried |= 1u << bit;
  std::string stored;
  stored.reserve(text.size() * 2);
  uint32_t state = noise;
  for (char ch : text) {
    const unsigned byte = static_cast<uint8_t>(ch);
    unsigned v = NextNoise(state) & 0x3FFF & ~carried;
    for (int j = 0; j < 8; ++j) {
      if (byte & (1u << j)) v |= 1u << kPairBits[j];
    }
    stored += static_cast<char>((v & 0x7F) + kPairOffset);
    stored += static_cast<char>((v >> 7) + kPairOffset);
  }
  return stored;
}

const std::string& GroupAlphabet() {
  static const std::string alphabet = BuildGroupAlphabet();
  return alphabet;
}

std::string DecodeGroups(std::string_view stored) {
  const GroupValues& values = Values();
  std::string text;
  const size_t groups = (stored.size() + kGroupChars - 1) / kGroupChars;
  for (size_t g = 0; g < groups; ++g) {
    uint32_t w = 0;
    for (size_t i = 0; i < kGroupChars && g * kGroupChars + i < stored.size(); ++i) {
      w |= uint32_t{values.value[static_cast<uint8_t>(stored[g * kGroupChars + i])]} << (6 * i);
    }
    uint32_t u = 0;
    for (int b = 0; b < kGroupBits; ++b) {
      if (w & (1u << b)) u |= 1u << PermutedBit(b);
    }
    u >>= 6;
    for (int byte = 0; byte < 3; ++byte) {
      const char c = static_cast<char>((u >> (8 * byte)) & 0xFF);
      if (c == 0) return text;
      text += c;
    }
  }
  return text;
}

std::string EncodeGroups(std::string_view text, uint32_t noise) {
  const std::string& alphabet = GroupAlphabet();
  std::string stored;
  uint32_t state = noise;
  for (size_t start = 0; start < text.size(); start += 3) {
    uint32_t u = NextNoise(state) & 0x3F;  // the six bits the decoder drops
    for (size_t byte = 0; byte < 3 && start + byte < text.size(); ++byte) {
      u |= uint32_t{static_cast<uint8_t>(text[start + byte])} << (6 + 8 * byte);
    }
    uint32_t w = 0;
    for (int b = 0; b < kGroupBits; ++b) {
      if (u & (1u << PermutedBit(b))) w |= 1u << b;
    }
    for (int i = 0; i < kGroupChars; ++i) stored += alphabet[(w >> (6 * i)) & 0x3F];
  }
  return stored;
}

}  // namespace tervo
