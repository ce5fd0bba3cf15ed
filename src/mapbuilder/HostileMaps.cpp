#include "mapbuilder/HostileMaps.h"

#include "mapbuilder/MapBuilder.h"
#include "platform/Words.h"

namespace pelmar::builder {

namespace {

// A weapon tag whose data (at least `size` bytes) holds, at offset 0, a struct reference of
// `count` chunks pointing at the tag's own data.
std::vector<uint8_t> SelfPointingMap(int32_t count, size_t size) {
    MapSpec blueprint;
    TagSpec tag;
    tag.class1 = "weap";
    tag.name = "loop";
    tag.data = Block(size);
    blueprint.tags.push_back(tag);
    BuiltMap built = BuildMap(blueprint);
    uint8_t* data = built.bytes.data() + built.tags[0].offset;
    StoreI32(data, count);
    StoreI32(data + 4, built.tags[0].offset + built.magic);
    return built.bytes;
}

std::string NestedPlugin(int depth, const std::string& size) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<struct name=\"s\" offset=\"0\" size=\"" + size + "\">";
        close += "</struct>";
    }
    return "<plugin class=\"weap\">" + open + close + "</plugin>";
}

std::vector<uint8_t> SharedNameMap(int32_t entries, size_t nameLength) {
    MapSpec blueprint;
    TagSpec first;
    first.class1 = "weap";
    first.name = std::string(nameLength, 'n');
    first.data = Block(8);
    TagSpec other = first;
    other.name = "x";
    blueprint.tags.assign(static_cast<size_t>(entries), other);
    blueprint.tags.front() = first;
    BuiltMap built = BuildMap(blueprint);
    // Every entry a copy of the first: all name the same long bytes (and share one data).
    const auto entry0 = static_cast<size_t>(built.tagOffset);
    for (size_t i = 1; i < static_cast<size_t>(entries); ++i) {
        std::copy(built.bytes.begin() + static_cast<long>(entry0),
                  built.bytes.begin() + static_cast<long>(entry0 + 32),
                  built.bytes.begin() + static_cast<long>(entry0 + 32 * i));
    }
    return built.bytes;
}

} // namespace

std::vector<HostileCase> HostileCases() {
    return {
        {"nested 64 deep, pointing at itself", NestedPlugin(64, "8"), SelfPointingMap(200, 2048)},
        {"a million chunks of size 0", NestedPlugin(1, "0"), SelfPointingMap(1'000'000, 64)},
        {"every entry names one long name", NestedPlugin(1, "8"), SharedNameMap(4000, 100'000)},
    };
}

} // namespace pelmar::builder
