#include "support/TestSupport.h"

#include "cli/CommandRegistry.h"
#include "platform/LittleEndian.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace pelmar::test {

TempDir::TempDir() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() /
                         ("pelmar-test-" + std::to_string(rd()) + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore write permission on anything a test made read-only, then remove it all.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    builder::WriteBytes(path, bytes);
}

builder::BuiltMap WriteMap(const std::filesystem::path& path, const builder::MapSpec& blueprint) {
    builder::BuiltMap built = builder::BuildMap(blueprint);
    builder::WriteBytes(path, built.bytes);
    return built;
}

std::filesystem::path SourcePluginsDir() {
    return std::filesystem::path(PELMAR_SOURCE_DIR) / "plugins";
}

std::filesystem::path BinDir() {
    return PELMAR_BIN_DIR;
}

CliResult RunCli(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"pelmar-cli"};
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    CliResult result;
    result.status = cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

int32_t WordAt(const std::vector<uint8_t>& bytes, int64_t offset) {
    return ReadI32(bytes, offset);
}

void SetWord(std::vector<uint8_t>& bytes, int64_t offset, int32_t value) {
    WriteI32(bytes, offset, value);
}

} // namespace pelmar::test
