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
inline constexpr int64_t kEntryIndexedField = 24;      // Custom Edition: data in a resource map
inline constexpr int64_t kScenarioScanEndField = 1448; // in the scenario tag's data
inline constexpr char kSignature[] = "daeh";

// The file header of real maps (those that begin with the signature).
inline constexpr int64_t kHeaderVersionField = 0x004;
inline constexpr int64_t kHeaderFileSizeField = 0x008;
inline constexpr int64_t kHeaderTagDataSizeField = 0x014;
inline constexpr int64_t kHeaderNameField = 0x020;
inline constexpr int64_t kHeaderBuildField = 0x040;
inline constexpr int64_t kHeaderTextLength = 32;
inline constexpr int64_t kHeaderTypeField = 0x060;
inline constexpr int64_t kHeaderCrcField = 0x064;
inline constexpr int64_t kHeaderSize = 0x800;
inline constexpr uint32_t kXboxVersion = 5;

// The tag data header (at the index offset) of real maps: where the model data lies.
inline constexpr int64_t kIndexModelDataOffsetField = 20;
inline constexpr int64_t kIndexModelDataSizeField = 32;

// The scenario's "structure bsps" block: count and address at these offsets of its data;
// each 32-byte element starts with the BSP's file offset and size.
inline constexpr int64_t kScenarioBspCountField = 0x5A4;
inline constexpr int64_t kScenarioBspAddressField = 0x5A8;
inline constexpr int64_t kBspElementSize = 32;

// The game's memory for tag data and the largest BSP together (PC and Custom Edition).
inline constexpr int64_t kTagSpace = 23 * 1024 * 1024;

// Map files address their bytes with signed 32-bit offsets.
inline constexpr uint64_t kMaxMapFileSize = 0x7FFFFFFF;

// True when the first four bytes read "daeh" in any mix of capitals.
inline bool IsDaehSignature(std::string_view first4) {
    return first4.size() >= 4 && EqualsIgnoringAsciiCase(first4.substr(0, 4), kSignature);
}

} // namespace pelmar::layout
