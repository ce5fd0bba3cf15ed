// get, set, undo and redo: reading and changing field values, and walking the edit history.

#include "cli/Cli.h"
#include "cli/CliText.h"
#include "cli/JsonWriter.h"
#include "platform/Error.h"
#include "session/MapSession.h"
#include "structview/FieldKinds.h"

namespace pelmar::cli {

namespace {

struct ValueOptions {
    std::string path;
    std::string tag;
    std::string chunkPath = "-";
    std::string field;
    std::string value;
    std::string plugins;
    bool json = false;
};

std::string TypeName(const FieldValue& v) {
    return std::holds_alternative<BlockValue>(v.value) ? "block"
                                                       : std::string(FieldTypeName(v.type));
}

void PrintNumber(JsonWriter& json, double value, FieldType type) {
    const NumericShape shape = ShapeOf(type);
    if (shape.component == Component::F32 && !shape.angle) {
        json.Float(static_cast<float>(value));
    } else {
        json.Double(value);
    }
}

void PrintValueJson(JsonWriter& json, const Value& value, FieldType type) {
    if (const double* d = std::get_if<double>(&value)) {
        PrintNumber(json, *d, type);
    } else if (const auto* list = std::get_if<std::vector<double>>(&value)) {
        json.BeginArray();
        for (double x : *list) {
            PrintNumber(json, x, type);
        }
        json.EndArray();
    } else if (const std::string* text = std::get_if<std::string>(&value)) {
        json.String(*text);
    } else if (const auto* names = std::get_if<std::vector<std::string>>(&value)) {
        json.BeginArray();
        for (const std::string& n : *names) {
            json.String(n);
        }
        json.EndArray();
    } else if (const auto* tag = std::get_if<std::optional<TagTarget>>(&value)) {
        if (!*tag) {
            json.Null();
            return;
        }
        json.BeginObject().Key("class").String((*tag)->tagClass).Key("name").String((*tag)->name);
        json.Key("id").Int((*tag)->id).EndObject();
    } else {
        const BlockValue& b = std::get<BlockValue>(value);
        json.BeginObject().Key("count").Int(b.count).Key("address").Int(b.address).EndObject();
    }
}

// The session, the tag and the block that the options name.
struct Target {
    std::unique_ptr<MapSession> session;
    int32_t tag = 0;
    ChunkPath path;
};

Target Resolve(const ValueOptions& opts, bool forEdit) {
    Target t;
    t.session = OpenSession(opts.path, opts.plugins, forEdit);
    t.tag = RequireTag(*t.session, opts.tag);
    const TagTree tree = t.session->SelectTag(t.tag);
    if (!tree.plugin) {
        throw PelmarError(ErrorKind::BadPlugin, tree.message);
    }
    if (opts.chunkPath != "-") {
        t.path = ParseChunkPath(opts.chunkPath, tree.plugin->tagClass);
    }
    return t;
}

void RunGet(CliContext& context, const ValueOptions& opts) {
    const Target t = Resolve(opts, false);
    const std::vector<FieldValue> fields = t.session->ReadValues(t.tag, t.path);
    const int64_t offset =
        ResolveBlock(t.session->ViewOf(t.tag, *t.session->SelectTag(t.tag).plugin), t.path).offset;
    if (!opts.json) {
        for (const FieldValue& v : fields) {
            context.out << Printable(v.name) << ": " << Printable(v.text) << "  [" << TypeName(v)
                        << ", offset " << v.offset << "]\n";
        }
        return;
    }
    JsonWriter json(context.out);
    json.BeginObject().Key("offset").Int(offset).Key("fields").BeginArray();
    for (const FieldValue& v : fields) {
        json.BeginObject().Key("name").String(v.name).Key("type").String(TypeName(v));
        json.Key("offset").Int(v.offset).Key("value");
        PrintValueJson(json, v.value, v.type);
        json.EndObject();
    }
    json.EndArray().EndObject();
}

void RunSet(CliContext& context, const ValueOptions& opts) {
    const Target t = Resolve(opts, true);
    const EditOutcome outcome = t.session->SetValue(t.tag, t.path, opts.field, opts.value);
    for (const std::string& warning : outcome.warnings) {
        context.err << "pelmar-cli: warning: " << Printable(warning) << "\n";
    }
    context.out << "Done\n";
}

void AddTargetOptions(CLI::App* cmd, ValueOptions& opts) {
    cmd->add_option("MAP", opts.path, "Map file")->required();
    cmd->add_option("TAG", opts.tag, "The tag, as CLASS:NAME")->required();
}

} // namespace

void AddGetCommand(CLI::App& app, CliContext& context) {
    auto* cmd = app.add_subcommand("get", "Print the fields of a tag's block with their values");
    auto opts = std::make_shared<ValueOptions>();
    AddTargetOptions(cmd, *opts);
    cmd->add_option("CHUNKPATH", opts->chunkPath,
                    "The block, as its path in the chunk tree (default: the tag's own data)");
    cmd->add_option("--plugins", opts->plugins, "Plugin folder (default: beside pelmar-cli)");
    cmd->add_flag("--json", opts->json, "Print one JSON object for scripts");
    cmd->callback([&context, opts] { RunGet(context, *opts); });
}

void AddSetCommand(CLI::App& app, CliContext& context) {
    auto* cmd = app.add_subcommand("set", "Set a field of a tag's block to a value");
    auto opts = std::make_shared<ValueOptions>();
    AddTargetOptions(cmd, *opts);
    cmd->add_option("CHUNKPATH", opts->chunkPath, "The block's path, or - for the tag's own data")
        ->required();
    cmd->add_option("FIELD", opts->field, "The field's name, as get prints it")->required();
    cmd->add_option("VALUE", opts->value, "The new value, as get prints it")->required();
    cmd->add_option("--plugins", opts->plugins, "Plugin folder (default: beside pelmar-cli)");
    cmd->callback([&context, opts] { RunSet(context, *opts); });
}

void AddUndoCommands(CLI::App& app, CliContext& context) {
    for (const bool undo : {true, false}) {
        auto* cmd =
            app.add_subcommand(undo ? "undo" : "redo", undo ? "Undo the last edit of a map"
                                                            : "Redo the edit of a map undone last");
        auto path = std::make_shared<std::string>();
        cmd->add_option("MAP", *path, "Map file")->required();
        cmd->callback([&context, path, undo] {
            const auto session = OpenSession(*path, "", true);
            const EditOutcome outcome = undo ? session->Undo() : session->Redo();
            context.out << "Done\n" << Printable(outcome.summary) << "\n";
        });
    }
}

} // namespace pelmar::cli
