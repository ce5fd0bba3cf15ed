#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace pelmar::fuzz {

// Fuzz inputs that carry several files (a map and a plugin, two maps, ...) are packed as
// parts: each part but the last is a little-endian 32-bit length followed by its bytes; the
// last part is whatever remains. Missing parts are empty.
std::vector<std::span<const uint8_t>> SplitParts(const uint8_t* data, size_t size, size_t count);
std::vector<uint8_t> PackParts(const std::vector<std::vector<uint8_t>>& parts);

// A scratch folder for this process, created on first use and emptied between inputs.
const std::filesystem::path& ScratchDir();
void WriteScratchFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);

} // namespace pelmar::fuzz
