#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace pelmar::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// The bundled plugins (generated for the real game) and the sample plugins of the test maps.
std::filesystem::path BundledPluginsDir();
std::filesystem::path FixturePluginsDir();
// The folder that holds the built executables.
std::filesystem::path BinDir();

// Little-endian words on byte vectors, for building and checking maps in tests.
int32_t WordAt(std::span<const uint8_t> bytes, int64_t offset);
void SetWord(std::vector<uint8_t>& bytes, int64_t offset, int32_t value);

} // namespace pelmar::test
