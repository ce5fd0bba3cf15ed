#include "cli/CliText.h"

#include <cstdio>

namespace pelmar::cli {

std::string Printable(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b < 0x7F) {
            out.push_back(ch);
        } else {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        }
    }
    return out;
}

std::string Hex32(uint32_t value) {
    char buf[11];
    std::snprintf(buf, sizeof buf, "0x%08X", value);
    return buf;
}

} // namespace pelmar::cli
