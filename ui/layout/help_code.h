// The two stored codes of tervo42: the pair code of the help lines and the
// group code of the printed credit line. Plain C++, no window toolkit, so that
// the build-time help generator, the help window and the printing code share
// one implementation.
//
// Pair code (help lines). Each text byte is stored as two characters. The two
// characters carry 7 bits each, offset by 20 (so stored characters run from 20
// to 147); together they form a 14-bit value v = ((c2 - 20) << 7) | (c1 - 20).
// Bit j of the text byte sits at bit kPairBits[j] of v; the other six bits of v
// carry nothing (the encoder fills them with noise).
//
// Group code (credit line). Five characters of a 64-character alphabet carry up
// to three bytes. The alphabet is ".", "/", "0".."9", "A".."Z", "a".."z" in this
// order, and a character's value is its position in it. A group's characters
// give the 30-bit word w = value0 | value1 << 6 | ... | value4 << 24; bit b of w
// is moved to bit ((b + 1) * 11) mod 30 of u; u >> 6 then holds the three bytes,
// lowest first. The text ends at the first zero byte.
//
//   Printing the credit line:
//     #include "help_code.h"
//     std::string credit = tervo::DecodeGroups(tervo::kStoredCredit);
//
// The decoded text is meant to be drawn and dropped, never kept.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tervo {

// Bit positions in the 14-bit pair value of text bits 0..7.
inline constexpr std::array<uint8_t, 8> kPairBits = {10, 3, 12, 1, 7, 13, 5, 8};

// The help lines' code: two stored characters per text byte. A last odd
// character is ignored. Characters outside 20..147 are read modulo 128 after
// the offset, so a damaged line gives wrong characters, never a crash.
std::string DecodePairs(std::string_view stored);

// Inverse of DecodePairs. The six unused bits of each pair are filled from
// noise, a seed of the caller's choice (the decoded text does not depend on it).
std::string EncodePairs(std::string_view text, uint32_t noise = 0);

// The 64 characters of the group code, built once when the program starts.
const std::string& GroupAlphabet();

// The credit line's code: groups of five characters give up to three bytes
// each; the text ends at the first zero byte. A character that is not in the
// alphabet counts as value 0. Any length is read (the group count does not
// wrap at 255).
std::string DecodeGroups(std::string_view stored);

// Inverse of DecodeGroups for a text without zero bytes: full groups of five
// characters, the last group padded with zero bytes. The six bits that the
// decoder drops are filled from noise.
std::string EncodeGroups(std::string_view text, uint32_t noise = 0);

// The credit line of printed pages, in the group code: 60 characters, 12
// groups, room for 36 characters of text. It decodes to
// "tervo42 V2.0  Boolean function tool". The text itself is stored nowhere
// else in the program.
inline constexpr std::string_view kStoredCredit = "7e90zBdSeS/GPWl//S0K/0/6ExjIUTtu/cQ18Acr7iQUwxz5UKLOXcLVhG.O";

}  // namespace tervo
