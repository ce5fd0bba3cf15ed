#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmar {

// The largest magnitude Val returns (the range in which a double still counts in units). A
// plugin number beyond it means nothing, and the bound keeps every sum of one with a few
// 32-bit words exact in 64 bits.
inline constexpr int64_t kValLimit = int64_t{1} << 53;

// The number at the start of `text`: blanks are skipped, then an optional sign and decimal
// digits are read up to the first other character. Text without such a number reads as 0
// ("16abc" is 16, "" and "abc" are 0, " 12" is 12, "1.9" is 1). The magnitude saturates at
// kValLimit.
int64_t Val(std::string_view text);

// `value` as a 32-bit word: truncated to its low 32 bits, as 32-bit arithmetic would leave it.
constexpr int32_t WrapToInt32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// True when `a` and `b` are the same text apart from the letter case of A-Z.
bool SameText(std::string_view a, std::string_view b);

// `value` in decimal with a comma between groups of three digits ("1,000,000").
std::string Grouped(int64_t value);

} // namespace pelmar
