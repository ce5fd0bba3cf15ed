#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmar::cli {

// Raw bytes made safe for a terminal: control and non-ASCII bytes become \xNN.
std::string Printable(std::string_view bytes);

// "0x" followed by eight hexadecimal digits.
std::string Hex32(uint32_t value);

} // namespace pelmar::cli
