#pragma once

#include <QString>

#include <string_view>

namespace pelmar::app {

// Text for the user from raw map bytes (class codes, tag names): each byte becomes the
// character of the same value (Latin-1), so that every name shows and none is mangled.
inline QString BytesText(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace pelmar::app
