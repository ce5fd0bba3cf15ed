#include "cli/CliText.h"
#include "cli/CommandRegistry.h"
#include "map/HaloPcMap.h"

#include <memory>

namespace pelmar::cli {

namespace {

void PrintInfo(const std::string& path) {
    HaloPcMap map;
    map.LoadMap(path);
    std::ostream& out = Out();
    const Tag& scenario = map.Scenario();
    const Tag& last = map.TagCache.back();
    out << "File:           " << Printable(path) << "\n"
        << "Length:         " << (static_cast<int64_t>(last.Offset) + last.Size) << " bytes\n"
        << "Index offset:   " << map.indexOffset << "\n"
        << "Map magic:      " << Hex32(static_cast<uint32_t>(map.MapMagic)) << "\n"
        << "Magic:          " << Hex32(static_cast<uint32_t>(map.Magic))
        << " (file offset = map address - magic)\n"
        << "Tag entries at: " << map.tagOffset << "\n"
        << "Tags:           " << map.TagCount << " in " << map.TagClass.size() << " classes\n"
        << "Scenario:       " << Printable(scenario.NameKey()) << " (data at " << scenario.Offset
        << ", " << scenario.Size << " bytes)\n"
        << "Classes:\n";
    for (const std::string& c : map.TagClass) {
        out << "  " << Printable(c) << "  " << map.NamesOfClass(c).size() << " tags\n";
    }
}

const CommandRegistration kInfo(10, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("info", "Show a map's header and index summary");
    auto path = std::make_shared<std::string>();
    cmd->add_option("MAP", *path, "Map file")->required();
    cmd->callback([path] { PrintInfo(*path); });
});

} // namespace

} // namespace pelmar::cli
