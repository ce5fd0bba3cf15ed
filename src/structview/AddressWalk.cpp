#include "structview/AddressWalk.h"

#include "platform/Error.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <algorithm>

namespace pelmar {

namespace {

[[noreturn]] void Refuse(const std::string& problem, int64_t at) {
    throw PelmarError(ErrorKind::Refused, problem, at);
}

} // namespace

std::optional<std::string> FirstUncoveredClass(const HaloPcMap& map, const LayoutLookup& plugins) {
    for (const std::string& tagClass : map.TagClass) {
        const std::vector<int32_t>& tags = map.TagsOfClass(tagClass);
        const bool hasData = std::any_of(tags.begin(), tags.end(), [&](int32_t i) {
            return map.TagCache[static_cast<size_t>(i)].HasData();
        });
        if (!hasData) {
            continue;
        }
        const PluginDef* plugin = nullptr;
        try {
            plugin = plugins(tagClass);
        } catch (const PelmarError& e) {
            return "the plugin of class \"" + tagClass + "\" cannot be read (" + e.detail() + ")";
        }
        if (plugin == nullptr) {
            return "there is no plugin for class \"" + tagClass + "\"";
        }
        if (!plugin->complete) {
            return "the plugin of class \"" + tagClass +
                   "\" does not declare every address of the class (complete=\"true\")";
        }
    }
    return std::nullopt;
}

void AddressWalker::Walk(const StructDef& layout, int64_t at, std::vector<AddressSlot>& out) {
    const auto slot = [&](int64_t where, SlotKind kind) {
        out.push_back({where, kind, ReadWord(file_, where, "a declared address")});
    };
    for (uint32_t field : layout.addressFields) {
        const FieldDef& f = layout.fields[field];
        if (f.type == FieldType::TagRef) {
            slot(at + f.offset + 4, SlotKind::TagRef);
        } else if (f.type == FieldType::Data) {
            slot(at + f.offset + 12, SlotKind::Data);
        } else if (f.type == FieldType::TagId) {
            slot(at + f.offset, SlotKind::TagId);
        }
    }
    for (const StructDef& block : layout.structs) {
        slot(at + block.offset + 4, SlotKind::Block);
        WalkBlock(block, at + block.offset, out);
    }
}

void AddressWalker::WalkBlock(const StructDef& block, int64_t at, std::vector<AddressSlot>& out) {
    const int32_t count = ReadWord(file_, at, "a block's count");
    const int32_t address = ReadWord(file_, at + 4, "a block's address");
    if (count == 0 || address == 0) {
        return;
    }
    const auto what = [&block] { return "the block \"" + block.name + "\""; };
    if (count < 0 || (block.max > 0 && count > block.max)) {
        Refuse(what() + " has " + std::to_string(count) +
                   " elements, more than its layout allows (" + std::to_string(block.max) +
                   "); relocation by value can still edit the map",
               at);
    }
    const int64_t first = SubWrap(address, magic_);
    if (block.size <= 0 || !RangeFits(first, int64_t{count} * block.size, file_.size())) {
        Refuse(what() + "'s " + std::to_string(count) + " elements of " +
                   std::to_string(block.size) + " bytes do not lie inside the file",
               at);
    }
    budget_ -= count;
    if (budget_ < 0) {
        Refuse("the blocks of the map overlap or repeat: more elements than the file can hold", at);
    }
    // The walk waits on memory, not on arithmetic: the next element's first lines are asked
    // for while this one is walked (half the time of a walk whose map is cached but not in the
    // processor's caches).
    for (int32_t k = 0; k < count; ++k) {
        if (k + 1 < count) {
            const uint8_t* next = file_.data() + first + block.size * (k + 1);
            for (int64_t line = 0; line < std::min<int64_t>(block.size, 256); line += 64) {
                __builtin_prefetch(next + line);
            }
        }
        Walk(block, first + block.size * k, out);
    }
}

std::vector<AddressSlot> DeclaredAddresses(const HaloPcMap& map, const LayoutLookup& plugins,
                                           const std::function<void(int64_t)>& passed) {
    // The layout of each tag with data, asked once for each class.
    std::vector<const PluginDef*> layouts(map.TagCache.size(), nullptr);
    for (const std::string& tagClass : map.TagClass) {
        const std::vector<int32_t>& tags = map.TagsOfClass(tagClass);
        const PluginDef* plugin = nullptr;
        for (int32_t i : tags) {
            if (!map.TagCache[static_cast<size_t>(i)].HasData()) {
                continue;
            }
            if (plugin == nullptr) {
                plugin = plugins(tagClass);
            }
            if (plugin == nullptr) {
                throw PelmarError(ErrorKind::Refused,
                                  "there is no plugin for class \"" + tagClass + "\"");
            }
            layouts[static_cast<size_t>(i)] = plugin;
        }
    }
    std::vector<AddressSlot> slots;
    slots.reserve(16 * map.TagCache.size());
    AddressWalker walker(map.bytes(), map.Magic, static_cast<int64_t>(map.FileLength() / 4) + 64);
    const auto before = [](const AddressSlot& a, const AddressSlot& b) { return a.at < b.at; };
    for (size_t i = 0; i < map.TagCache.size(); ++i) {
        if (layouts[i] == nullptr) {
            continue;
        }
        const auto first = static_cast<std::ptrdiff_t>(slots.size());
        walker.Walk(layouts[i]->root, map.TagCache[i].Offset, slots);
        // Tag ids are not addresses. A tag's words are sorted as they come, a few at a time:
        // when the tags lie in file order, so do all the words.
        slots.erase(std::remove_if(slots.begin() + first, slots.end(),
                                   [](const AddressSlot& s) { return s.kind == SlotKind::TagId; }),
                    slots.end());
        std::sort(slots.begin() + first, slots.end(), before);
        if (passed) {
            passed(map.TagCache[i].Offset);
        }
    }
    if (!std::is_sorted(slots.begin(), slots.end(), before)) {
        std::sort(slots.begin(), slots.end(), before);
    }
    // A word reached twice (blocks that share elements) is still one word to move once.
    slots.erase(
        std::unique(slots.begin(), slots.end(),
                    [](const AddressSlot& a, const AddressSlot& b) { return a.at == b.at; }),
        slots.end());
    return slots;
}

} // namespace pelmar
