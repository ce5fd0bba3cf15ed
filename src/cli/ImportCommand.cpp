#include "cli/CliText.h"
#include "cli/CommandRegistry.h"
#include "map/HaloPcMap.h"
#include "map/MapLayout.h"
#include "map/TagImport.h"
#include "platform/FileReader.h"
#include "platform/PelmarError.h"

#include <memory>

namespace pelmar::cli {

namespace {

struct ImportOptions {
    std::string map;
    std::string source;
    std::string tag; // CLASS:NAME
};

void ImportTag(const ImportOptions& opts) {
    HaloPcMap source;
    source.LoadMap(opts.source);
    const std::optional<int32_t> n = source.FindTagByName(opts.tag);
    if (!n) {
        throw PelmarError(
            FileMessage(opts.source, "no tag " + Printable(opts.tag) + " (give it as CLASS:NAME)"));
    }
    // The map is read once: its model and the import work on the same fresh bytes. The
    // import edits them in place; this model is dropped right after it either way.
    const auto bytes =
        std::make_shared<ByteBuffer>(ReadWholeFile(opts.map, layout::kMaxMapFileSize));
    HaloPcMap map = HaloPcMap::FromBytes(bytes, opts.map);
    tagimport::ImportTag(map, source, *n, bytes->span());
    const Tag& added = map.TagCache.back();
    Out() << "Done\n"
          << "New tag: "
          << Printable(added.Class1 + ":" + tagimport::StoredName(added.Name, map.TagCount))
          << " (id " << Hex32(added.ident) << ")\n";
}

const CommandRegistration kImport(40, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("import", "Copy a tag, with its name and data, from another "
                                             "map into MAP");
    auto opts = std::make_shared<ImportOptions>();
    cmd->add_option("MAP", opts->map, "Map file that receives the tag")->required();
    cmd->add_option("SOURCE_MAP", opts->source, "Map file to copy the tag from")->required();
    cmd->add_option("CLASS:NAME", opts->tag, "The tag to copy, e.g. weap:weapons\\pistol\\pistol")
        ->required();
    cmd->callback([opts] { ImportTag(*opts); });
});

} // namespace

} // namespace pelmar::cli
