#include "cli/Cli.h"
#include "cli/CliText.h"
#include "map/MapChecksum.h"
#include "session/MapSession.h"

#include <algorithm>

namespace pelmar::cli {

namespace {

std::string VersionName(uint32_t version) {
    switch (version) {
    case 6:
        return " (PC demo)";
    case 7:
        return " (PC retail)";
    case 609:
        return " (Custom Edition)";
    case 13:
        return " (Anniversary)";
    default:
        return "";
    }
}

std::string MapType(uint16_t type) {
    switch (type) {
    case 0:
        return "single player";
    case 1:
        return "multiplayer";
    case 2:
        return "user interface";
    default:
        return "type " + std::to_string(type);
    }
}

void PrintHeader(std::ostream& out, const HaloPcMap& map) {
    const MapHeader& h = *map.header;
    const uint64_t length = map.FileLength();
    out << "Version:        " << h.version << VersionName(h.version) << ", build "
        << Printable(h.build) << ", " << MapType(h.type) << " map \"" << Printable(h.name) << "\"\n"
        << "Header sizes:   file " << h.fileSize << ", tag data " << h.tagDataSize << " at "
        << h.tagDataOffset
        << (h.DescribesFile(length) ? " (they describe the file)"
                                    : " (they do not describe the file)")
        << "\n";
    const std::optional<uint32_t> computed = ComputeChecksum(map.bytes());
    out << "CRC:            stored " << Hex32(h.crc) << ", computed "
        << (computed ? Hex32(*computed) : std::string("(unknown: a region lies outside the file)"))
        << (computed && *computed == h.crc ? " (up to date)"
            : computed                     ? " (stale)"
                                           : "")
        << "\n";
}

void PrintInfo(std::ostream& out, const MapSession& session) {
    const HaloPcMap& map = session.map();
    const Tag& scenario = map.Scenario();
    const auto external = std::count_if(map.TagCache.begin(), map.TagCache.end(),
                                        [](const Tag& t) { return !t.HasData(); });
    out << "File:           " << Printable(session.path().string()) << "\n"
        << "Length:         " << map.FileLength() << " bytes\n"
        << "Index offset:   " << map.indexOffset << "\n"
        << "Map magic:      " << Hex32(static_cast<uint32_t>(map.MapMagic)) << "\n"
        << "Magic:          " << Hex32(static_cast<uint32_t>(map.Magic))
        << " (file offset = map address - magic)\n"
        << "Tag entries at: " << map.tagOffset << "\n"
        << "Tags:           " << map.TagCount << " in " << map.TagClass.size() << " classes, "
        << external << " without data in this file\n"
        << "Scenario:       " << Printable(scenario.NameKey()) << " (data at " << scenario.Offset
        << ", " << scenario.Size << " bytes)\n";
    if (map.header) {
        PrintHeader(out, map);
    }
    out << "Classes:\n";
    for (const std::string& c : map.TagClass) {
        out << "  " << Printable(c) << "  " << map.TagsOfClass(c).size() << " tags\n";
    }
}

} // namespace

void AddInfoCommand(CLI::App& app, CliContext& context) {
    auto* cmd = app.add_subcommand("info", "Show a map's header and index summary");
    auto path = std::make_shared<std::string>();
    cmd->add_option("MAP", *path, "Map file")->required();
    cmd->callback([&context, path] { PrintInfo(context.out, *OpenSession(*path, "", false)); });
}

} // namespace pelmar::cli
