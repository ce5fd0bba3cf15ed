#include "cli/CliText.h"
#include "cli/CommandRegistry.h"
#include "cli/JsonWriter.h"
#include "map/HaloPcMap.h"

#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace pelmar::cli {

namespace {

void PrintTagsJson(const HaloPcMap& map) {
    JsonWriter json(Out());
    // One key and its value per line.
    // clang-format off
    json.BeginObject()
        .Key("indexOffset").Int(map.indexOffset)
        .Key("mapMagic").Int(map.MapMagic)
        .Key("magic").Int(map.Magic)
        .Key("tagOffset").Int(map.tagOffset)
        .Key("tagCount").Int(map.TagCount);
    // clang-format on
    json.Key("classes").BeginArray();
    for (const std::string& c : map.TagClass) {
        json.String(c);
    }
    json.EndArray().Key("tags").BeginArray();
    for (size_t i = 0; i < map.TagCache.size(); ++i) {
        const Tag& t = map.TagCache[i];
        // clang-format off
        json.BeginObject()
            .Key("index").Int(static_cast<int64_t>(i))
            .Key("class1").String(t.Class1)
            .Key("class2").String(t.Class2)
            .Key("class3").String(t.Class3)
            .Key("ident").Int(t.ident)
            .Key("name").String(t.Name)
            .Key("nameOffset").Int(t.NameOffset)
            .Key("offset").Int(t.Offset)
            .Key("size").Int(t.Size)
            .EndObject();
        // clang-format on
    }
    json.EndArray().EndObject();
}

void PrintTagsText(const HaloPcMap& map) {
    // One pass groups the tags by class, so a map with many classes costs no more to list.
    std::map<std::string_view, std::vector<const Tag*>> byClass;
    for (const Tag& t : map.TagCache) {
        byClass[t.Class1].push_back(&t);
    }
    std::ostream& out = Out();
    for (const std::string& c : map.TagClass) {
        out << Printable(c) << "\n";
        for (const Tag* t : byClass[c]) {
            out << "  " << Printable(t->Name) << "  [id " << Hex32(t->ident) << ", data at "
                << t->Offset << ", " << t->Size << " bytes]\n";
        }
    }
}

struct TagsOptions {
    std::string path;
    bool json = false;
};

const CommandRegistration kTags(20, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("tags", "List a map's tags grouped by class");
    auto opts = std::make_shared<TagsOptions>();
    cmd->add_option("MAP", opts->path, "Map file")->required();
    cmd->add_flag("--json", opts->json, "Print one JSON object for scripts");
    cmd->callback([opts] {
        HaloPcMap map;
        map.LoadMap(opts->path);
        if (opts->json) {
            PrintTagsJson(map);
        } else {
            PrintTagsText(map);
        }
    });
});

} // namespace

} // namespace pelmar::cli
