// Writes the seed corpora for the fuzz targets into the folder given as the first argument:
// maps from our builder, and for the targets that take a plugin too, our sample plugins.
#include "mapbuilder/DemoMap.h"
#include "support/FuzzInput.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    pelmar::fuzz::WriteScratchFile(path, bytes);
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::vector<Bytes> SeedMaps() {
    using namespace pelmar::builder;
    std::vector<Bytes> maps;
    maps.push_back(BuildMap(DemoMapSpec()).bytes);
    MapSpec alternate = DemoMapSpec();
    alternate.signature = "Pelm";
    maps.push_back(BuildMap(alternate).bytes);
    MapSpec small;
    small.headerSize = 64;
    small.tags.push_back(DemoMapSpec().tags[1]);
    small.tags.push_back(DemoMapSpec().tags[2]);
    maps.push_back(BuildMap(small).bytes);
    return maps;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_fuzz_seeds CORPUS_DIR PLUGINS_DIR\n";
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path plugins = argv[2];
    const std::vector<Bytes> maps = SeedMaps();
    for (size_t i = 0; i < maps.size(); ++i) {
        const std::string id = std::to_string(i);
        Write(out / "fuzz_load" / ("map" + id), maps[i]);
        Write(out / "fuzz_import" / ("pair" + id),
              pelmar::fuzz::PackParts({maps[i], maps[(i + 1) % maps.size()], Text("\x01")}));
        for (const auto& entry : fs::directory_iterator(plugins)) {
            const std::string cls = entry.path().stem().string();
            const Bytes plugin = ReadBytes(entry.path());
            Write(out / "fuzz_tree" / (cls + id),
                  pelmar::fuzz::PackParts({plugin, maps[i], Text("\x01\x02\x03\x04")}));
            Write(out / "fuzz_dup" / (cls + id),
                  pelmar::fuzz::PackParts({plugin, maps[i], Text("\x01\x02\x03\x04")}));
        }
    }
    return 0;
}
