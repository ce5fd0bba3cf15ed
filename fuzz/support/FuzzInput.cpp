#include "support/FuzzInput.h"

#include "platform/Words.h"

#include <algorithm>

#include <fstream>
#include <unistd.h>

namespace pelmar::fuzz {

std::vector<std::span<const uint8_t>> SplitParts(const uint8_t* data, size_t size, size_t count) {
    std::vector<std::span<const uint8_t>> parts;
    size_t at = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        size_t length = 0;
        if (at + 4 <= size) {
            length = LoadU32(data + at);
            at += 4;
        } else {
            at = size;
        }
        length = std::min(length, size - at);
        parts.emplace_back(data + at, length);
        at += length;
    }
    parts.emplace_back(data + at, size - at);
    return parts;
}

std::vector<uint8_t> PackParts(const std::vector<std::vector<uint8_t>>& parts) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i + 1 < parts.size()) {
            uint8_t length[4];
            StoreU32(length, static_cast<uint32_t>(parts[i].size()));
            out.insert(out.end(), length, length + 4);
        }
        out.insert(out.end(), parts[i].begin(), parts[i].end());
    }
    return out;
}

const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("pelmar-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return dir;
}

void WriteScratchFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace pelmar::fuzz
