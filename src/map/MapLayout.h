#pragma once

#include "platform/AsciiText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pelmar::layout {

// Byte positions of the fields of a map file that Pelmar reads and writes.
inline constexpr int64_t kSignatureLength = 4;
inline constexpr int64_t kIndexOffsetField = 16;            // with the "daeh" signature
inline constexpr int64_t kAlternateIndexOffsetField = 1516; // without it
inline constexpr int64_t kIndexHeaderSize = 40;
inline constexpr int64_t kIndexTagCountField = 12;
inline constexpr int64_t kEntrySize = 32;
inline constexpr int64_t kEntryIdentField = 12;
inline constexpr int64_t kEntryNameAddressField = 16;
inline constexpr int64_t kEntryDataAddressField = 20;
inline constexpr int64_t kScenarioScanEndField = 1448; // in the scenario tag's data
inline constexpr char kSignature[] = "daeh";

// Map files address their bytes with signed 32-bit offsets.
inline constexpr uint64_t kMaxMapFileSize = 0x7FFFFFFF;

// True when the first four bytes read "daeh" in any mix of capitals.
inline bool IsDaehSignature(std::string_view first4) {
    return first4.size() >= 4 && EqualsIgnoringAsciiCase(first4.substr(0, 4), kSignature);
}

} // namespace pelmar::layout
