#include "cli/Cli.h"
#include "cli/CliText.h"
#include "cli/JsonWriter.h"
#include "session/MapSession.h"

#include <map>
#include <string_view>
#include <vector>

namespace pelmar::cli {

namespace {

void PrintHeaderJson(JsonWriter& json, const std::optional<MapHeader>& header) {
    json.Key("header");
    if (!header) {
        json.Null();
        return;
    }
    // clang-format off
    json.BeginObject()
        .Key("version").Int(header->version)
        .Key("fileSize").Int(header->fileSize)
        .Key("tagDataOffset").Int(header->tagDataOffset)
        .Key("tagDataSize").Int(header->tagDataSize)
        .Key("name").String(header->name)
        .Key("build").String(header->build)
        .Key("type").Int(header->type)
        .EndObject();
    // clang-format on
}

void PrintTagsJson(std::ostream& out, const HaloPcMap& map) {
    JsonWriter json(out);
    // clang-format off
    json.BeginObject()
        .Key("indexOffset").Int(map.indexOffset)
        .Key("mapMagic").Int(map.MapMagic)
        .Key("magic").Int(map.Magic)
        .Key("tagOffset").Int(map.tagOffset)
        .Key("tagCount").Int(map.TagCount);
    // clang-format on
    PrintHeaderJson(json, map.header);
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
            .Key("external").Bool(!t.HasData())
            .EndObject();
        // clang-format on
    }
    json.EndArray().EndObject();
}

void PrintTagsText(std::ostream& out, const HaloPcMap& map) {
    for (const std::string& c : map.TagClass) {
        out << Printable(c) << "\n";
        for (int32_t i : map.TagsOfClass(c)) {
            const Tag& t = map.TagCache[static_cast<size_t>(i)];
            out << "  " << Printable(t.Name) << "  [id " << Hex32(t.ident) << ", ";
            if (t.HasData()) {
                out << "data at " << t.Offset << ", " << t.Size << " bytes]\n";
            } else {
                out << "no data here: " << WhyNoData(t.place) << "]\n";
            }
        }
    }
}

struct TagsOptions {
    std::string path;
    bool json = false;
};

} // namespace

void AddTagsCommand(CLI::App& app, CliContext& context) {
    auto* cmd = app.add_subcommand("tags", "List a map's tags grouped by class");
    auto opts = std::make_shared<TagsOptions>();
    cmd->add_option("MAP", opts->path, "Map file")->required();
    cmd->add_flag("--json", opts->json, "Print one JSON object for scripts");
    cmd->callback([&context, opts] {
        const auto session = OpenSession(opts->path, "", false);
        if (opts->json) {
            PrintTagsJson(context.out, session->map());
        } else {
            PrintTagsText(context.out, session->map());
        }
    });
}

} // namespace pelmar::cli
