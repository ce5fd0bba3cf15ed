#pragma once

#include "mapbuilder/MapBuilder.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pelmar::test {

// A fresh folder under the system's temporary folder, removed with everything in it when
// the object goes away.
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
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Builds `blueprint` and writes it to `path`; returns the layout.
builder::BuiltMap WriteMap(const std::filesystem::path& path, const builder::MapSpec& blueprint);

// The plugins folder of the source tree.
std::filesystem::path SourcePluginsDir();
// The folder that holds the built executables.
std::filesystem::path BinDir();

// The result of running pelmar-cli in this process.
struct CliResult {
    int status = 0;
    std::string out;
    std::string err;
};
CliResult RunCli(const std::vector<std::string>& args);

// Little-endian words on byte vectors, for building and checking maps in tests.
int32_t WordAt(const std::vector<uint8_t>& bytes, int64_t offset);
void SetWord(std::vector<uint8_t>& bytes, int64_t offset, int32_t value);

} // namespace pelmar::test
