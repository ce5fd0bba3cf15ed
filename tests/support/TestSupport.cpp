#include "support/TestSupport.h"

#include "platform/Words.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace pelmar::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelmar-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::filesystem::path BundledPluginsDir() {
    return std::filesystem::path(PELMAR_SOURCE_DIR) / "plugins";
}

std::filesystem::path FixturePluginsDir() {
    return std::filesystem::path(PELMAR_SOURCE_DIR) / "tests" / "fixtures" / "plugins";
}

std::filesystem::path BinDir() {
    return PELMAR_BIN_DIR;
}

int32_t WordAt(std::span<const uint8_t> bytes, int64_t offset) {
    EXPECT_TRUE(WordFits(offset, bytes.size())) << "word at " << offset;
    return WordFits(offset, bytes.size()) ? LoadI32(bytes.data() + offset) : 0;
}

void SetWord(std::vector<uint8_t>& bytes, int64_t offset, int32_t value) {
    if (!WordFits(offset, bytes.size())) {
        bytes.resize(static_cast<size_t>(offset) + 4, 0);
    }
    StoreI32(bytes.data() + offset, value);
}

} // namespace pelmar::test
