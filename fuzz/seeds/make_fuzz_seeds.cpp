// Writes the seed corpora for the fuzz targets into the folder given as the first argument:
// maps from our builder (the synthetic demo map, the realistic maps of both versions), the
// plugins of the folder given as the second argument, and the inputs that once cost far more
// than their size.
#include "mapbuilder/DemoMap.h"
#include "mapbuilder/HostileMaps.h"
#include "mapbuilder/RealisticMap.h"
#include "structview/PluginParser.h"
#include "support/FuzzInput.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_fuzz_seeds CORPUS_DIR PLUGINS_DIR\n";
        return 2;
    }
    using pelmar::fuzz::PackParts;
    const fs::path out = argv[1];
    std::map<std::string, Bytes> plugins;
    std::map<std::string, pelmar::PluginDef, std::less<>> parsed;
    for (const auto& entry : fs::directory_iterator(argv[2])) {
        plugins[entry.path().stem().string()] = ReadBytes(entry.path());
        const Bytes& text = plugins[entry.path().stem().string()];
        pelmar::PluginDef def =
            pelmar::ParsePlugin({reinterpret_cast<const char*>(text.data()), text.size()});
        parsed.emplace(def.tagClass, std::move(def));
    }
    const auto lookup = [&](std::string_view c) -> const pelmar::PluginDef* {
        const auto it = parsed.find(c);
        return it == parsed.end() ? nullptr : &it->second;
    };
    std::vector<Bytes> maps{pelmar::builder::BuildMap(pelmar::builder::DemoMapSpec()).bytes};
    for (uint32_t version : {609u, 7u}) {
        pelmar::builder::RealisticOptions options;
        options.version = version;
        maps.push_back(pelmar::builder::BuildRealisticMap(options, lookup).bytes);
    }
    const Bytes selector = Text("\x01\x02\x03\x04");
    for (size_t i = 0; i < maps.size(); ++i) {
        const std::string id = std::to_string(i);
        Write(out / "fuzz_load" / ("map" + id), maps[i]);
        for (const std::string cls : {"weap", "scnr", "effe", "vehi"}) {
            if (plugins.count(cls) != 0) {
                const Bytes& plugin = plugins[cls];
                Write(out / "fuzz_tree" / (cls + id), PackParts({plugin, maps[i], selector}));
                Write(out / "fuzz_dup" / (cls + id), PackParts({plugin, maps[i], selector}));
                Write(out / "fuzz_import" / (cls + id),
                      PackParts({plugin, maps[i], maps[(i + 1) % maps.size()], selector}));
            }
        }
    }
    int k = 0;
    for (const pelmar::builder::HostileCase& c : pelmar::builder::HostileCases()) {
        const std::string id = "hostile" + std::to_string(k++);
        Write(out / "fuzz_load" / id, c.map);
        Write(out / "fuzz_tree" / id, PackParts({Text(c.plugin), c.map, Text("\x00")}));
        Write(out / "fuzz_dup" / id, PackParts({Text(c.plugin), c.map, Text("\x00\x01\x01")}));
    }
    return 0;
}
