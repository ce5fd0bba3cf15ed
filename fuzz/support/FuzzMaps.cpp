#include "support/FuzzMaps.h"

#include "platform/Error.h"
#include "structview/PluginParser.h"

#include <cstring>

namespace pelmar::fuzz {

std::optional<HaloPcMap> DecodeOrNothing(std::span<const uint8_t> bytes) {
    auto buffer = std::make_shared<ByteBuffer>(bytes.size());
    if (!bytes.empty()) {
        std::memcpy(buffer->data(), bytes.data(), bytes.size());
    }
    try {
        return HaloPcMap::Decode(buffer);
    } catch (const PelmarError&) {
        return std::nullopt;
    }
}

std::optional<PluginDef> ParseOrNothing(std::span<const uint8_t> text) {
    try {
        return ParsePlugin({reinterpret_cast<const char*>(text.data()), text.size()});
    } catch (const PelmarError&) {
        return std::nullopt;
    }
}

uint32_t Pick(std::span<const uint8_t> selector, size_t at, uint32_t count) {
    if (count == 0 || at >= selector.size()) {
        return 0;
    }
    return selector[at] % count;
}

void WithExpandedTree(
    std::span<const uint8_t> pluginText, std::span<const uint8_t> mapBytes,
    std::span<const uint8_t> selector,
    const std::function<void(const HaloPcMap&, const PluginDef&, int32_t, const TreeView&,
                             const std::vector<TreeLine>&)>& use) {
    const std::optional<PluginDef> plugin = ParseOrNothing(pluginText);
    const std::optional<HaloPcMap> map = DecodeOrNothing(mapBytes);
    if (!plugin || !map) {
        return;
    }
    const auto index =
        static_cast<int32_t>(Pick(selector, 0, static_cast<uint32_t>(map->TagCount)));
    const Tag& tag = map->TagCache[static_cast<size_t>(index)];
    if (!tag.HasData()) {
        return;
    }
    const TreeView view{*plugin, map->bytes(), map->Magic, tag.Offset, 20'000};
    try {
        const std::vector<TreeLine> lines = ExpandWholeTree(view, 20'000);
        use(*map, *plugin, index, view, lines);
    } catch (const PelmarError&) {
    }
}

} // namespace pelmar::fuzz
