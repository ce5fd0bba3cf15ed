// Tag data laid out and filled after the plugins: blocks, tag references and data fields.

#include "mapbuilder/RealisticFiller.h"

#include "mapbuilder/RealisticValues.h"
#include "platform/Words.h"

#include <algorithm>
#include <numeric>

namespace pelmar::builder {

namespace {

constexpr int64_t kBlockFieldSize = 12;       // count, address, 4 unused bytes
constexpr int64_t kTagRefFieldSize = 16;      // class, path address, path length, tag id
constexpr int64_t kDataFieldSize = 20;        // size, flags, file offset, address, 4 unused bytes
constexpr int64_t kPixelBytesPerBitmap = 256; // raw pixel data of each bitmap of a bitmap tag
constexpr uint32_t kNoTag = 0xFFFFFFFFu;

[[noreturn]] void Outside(const std::string& what, const std::string& name) {
    throw PelmarError(ErrorKind::BadPlugin,
                      "realistic map: " + what + " lies outside its struct " + name);
}

// The offset of the first field of `def` named `name` and of type `type`, if any.
std::optional<int64_t> FieldOffset(const StructDef& def, std::string_view name, FieldType type) {
    for (const FieldDef& f : def.fields) {
        if (f.type == type && f.name == name) {
            return f.offset;
        }
    }
    return std::nullopt;
}

} // namespace

RealisticFiller::RealisticFiller(const std::vector<PlannedTag>& tags, FillSettings settings)
    : tags_(tags), settings_(std::move(settings)) {
    for (size_t i = 0; i < tags_.size(); ++i) {
        byClass_[tags_[i].class1].push_back(static_cast<int32_t>(i));
    }
}

size_t RealisticFiller::FillTag(int32_t entry, RealisticArena& arena) {
    const PlannedTag& tag = tags_[static_cast<size_t>(entry)];
    const auto e = static_cast<uint64_t>(entry);
    TagFill t{arena, tag, entry, RealisticRandom(RealisticRandom::Mix(settings_.seed, e, 1)),
              RealisticRandom(RealisticRandom::Mix(settings_.seed, e, 2))};
    const size_t at = arena.Allocate(static_cast<uint64_t>(tag.plugin->headerSize));
    FillStruct(tag.plugin->root, tag.plugin->headerSize, at, 0, t);
    return at;
}

void RealisticFiller::FillStruct(const StructDef& def, int64_t size, size_t at, int depth,
                                 TagFill& t) {
    const std::vector<Child>& children = ChildrenOf(def, size);
    if (!t.arena.measuring()) {
        const ValueOwner owner{t.tag.ident, FourCC(t.tag.class1)};
        for (const FieldDef& f : def.fields) {
            uint8_t* p = t.arena.At(at + static_cast<size_t>(f.offset));
            if (f.type == FieldType::TagRef) {
                WriteTagRef(f, p, t);
            } else if (f.type != FieldType::Data) {
                WriteFieldValues(f, p, t.values, owner);
            }
        }
    }
    for (const Child& c : children) {
        const size_t field = at + static_cast<size_t>(c.offset);
        if (c.block != nullptr) {
            FillBlock(*c.block, field, depth, t);
        } else {
            FillData(*c.data, field, t);
        }
    }
}

void RealisticFiller::FillBlock(const StructDef& block, size_t field, int depth, TagFill& t) {
    const int32_t count = CountOf(block, depth, t);
    const bool writing = !t.arena.measuring();
    if (writing) {
        StoreU32(t.arena.At(field), static_cast<uint32_t>(count));
    }
    // An indexed sound keeps the counts of its blocks, with address 0: their elements are in
    // sounds.map.
    if (count == 0 || (t.tag.kind == EntryKind::IndexedSound && depth == 0)) {
        return;
    }
    const auto elementSize = static_cast<size_t>(block.size);
    const size_t first = t.arena.Allocate(static_cast<uint64_t>(count) * elementSize);
    if (writing) {
        StoreU32(t.arena.At(field + 4), t.arena.AddressOf(first));
    }
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        FillStruct(block, block.size, first + i * elementSize, depth + 1, t);
        AfterElement(block, first + i * elementSize, t);
    }
    if ((t.tag.class1 == "mod2" || t.tag.class1 == "mode") && block.name == "parts") {
        modelParts_ += count;
    }
}

int32_t RealisticFiller::CountOf(const StructDef& block, int depth, TagFill& t) {
    if (!block.hasSize || block.size <= 0) {
        return 0;
    }
    if (depth == 0 && t.tag.class1 == "scnr" && block.name == "structure bsps") {
        return settings_.bspEntry >= 0 ? 1 : 0;
    }
    const auto count = static_cast<int32_t>(1 + t.layout.Below(2));
    // Below the layout's maximum where it allows more than one, so that every block can grow.
    const int64_t most = block.max > 1 ? block.max - 1 : block.max;
    return most > 0 ? static_cast<int32_t>(std::min<int64_t>(count, most)) : count;
}

// The elements that point outside the tag data: the scenario's BSP, and the pixels of a
// bitmap, which lie in the raw data region.
void RealisticFiller::AfterElement(const StructDef& block, size_t at, TagFill& t) {
    const bool writing = !t.arena.measuring();
    if (t.tag.class1 == "scnr" && block.name == "structure bsps" && writing) {
        uint8_t* p = t.arena.At(at);
        StoreU32(p, settings_.bspOffset);
        StoreU32(p + 4, settings_.bspSize);
        StoreU32(p + 8, settings_.bspAddress);
        if (auto ref = FieldOffset(block, "structure bsp", FieldType::TagRef)) {
            StoreTagRef(p + *ref, settings_.bspEntry, FourCC("sbsp"));
        }
    }
    if (t.tag.class1 == "bitm" && block.name == "bitmap data") {
        const int64_t pixels = settings_.rawDataOffset + rawSize_;
        rawSize_ += kPixelBytesPerBitmap;
        const auto offset = FieldOffset(block, "pixel data offset", FieldType::UInt32);
        const auto size = FieldOffset(block, "pixel data size", FieldType::UInt32);
        if (writing && offset && size) {
            StoreU32(t.arena.At(at + static_cast<size_t>(*offset)), static_cast<uint32_t>(pixels));
            StoreU32(t.arena.At(at + static_cast<size_t>(*size)), kPixelBytesPerBitmap);
        }
    }
}

void RealisticFiller::FillData(const FieldDef& field, size_t at, TagFill& t) {
    int64_t base = 12 + t.layout.Below(53);
    if (field.max > 0) {
        base = std::min(base, field.max);
    }
    const int64_t room = field.max > 0 ? field.max - base : -1;
    if (settings_.dataRoom != nullptr) {
        settings_.dataRoom->push_back(room);
    }
    const int64_t growth = settings_.dataGrowth;
    const int64_t extra = room < 0 || settings_.ignoreDataLimits ? growth : std::min(room, growth);
    const auto size = static_cast<uint64_t>(base + extra);
    const size_t bytes = t.arena.Allocate(size);
    if (t.arena.measuring()) {
        return;
    }
    uint8_t* p = t.arena.At(at);
    StoreU32(p, static_cast<uint32_t>(size)); // flags and file offset stay 0: the data is here
    StoreU32(p + 12, t.arena.AddressOf(bytes));
    RealisticRandom fill(t.values.Next());
    uint8_t* out = t.arena.At(bytes);
    for (uint64_t i = 0; i < size; i += 4) {
        const uint32_t word = fill.Word();
        const uint64_t n = std::min<uint64_t>(4, size - i);
        for (uint64_t k = 0; k < n; ++k) {
            out[i + k] = static_cast<uint8_t>(word >> (8 * k));
        }
    }
}

void RealisticFiller::WriteTagRef(const FieldDef& field, uint8_t* at, TagFill& t) {
    const std::vector<int32_t>& candidates = CandidatesOf(field);
    const bool any = field.classes.empty() || field.classes.front() == "*";
    const uint32_t nullClass = any ? kNoTag : FourCC(field.classes.front());
    if (candidates.empty()) {
        StoreTagRef(at, std::nullopt, nullClass);
        return;
    }
    const auto n = static_cast<uint32_t>(candidates.size());
    uint32_t k = t.values.Below(n);
    if (candidates[k] == t.entry && n > 1) {
        k = (k + 1) % n; // a tag does not reference itself while another one fits
    }
    StoreTagRef(at, candidates[k], nullClass);
}

void RealisticFiller::StoreTagRef(uint8_t* at, std::optional<int32_t> entry,
                                  uint32_t nullClass) const {
    if (!entry) {
        StoreU32(at, nullClass);
        StoreU32(at + 4, 0);
        StoreU32(at + 8, 0);
        StoreU32(at + 12, kNoTag);
        return;
    }
    const PlannedTag& target = tags_[static_cast<size_t>(*entry)];
    StoreU32(at, FourCC(target.class1));
    StoreU32(at + 4, settings_.pathAddresses[static_cast<size_t>(*entry)]);
    StoreU32(at + 8, static_cast<uint32_t>(target.name.size()));
    StoreU32(at + 12, target.ident);
}

const std::vector<RealisticFiller::Child>& RealisticFiller::ChildrenOf(const StructDef& def,
                                                                       int64_t size) {
    const auto found = children_.find(&def);
    if (found != children_.end()) {
        return found->second;
    }
    std::vector<Child> children;
    for (const FieldDef& f : def.fields) {
        const int64_t least = f.type == FieldType::TagRef ? kTagRefFieldSize
                              : f.type == FieldType::Data ? kDataFieldSize
                                                          : 0;
        if (f.offset < 0 || f.size < least || f.offset + f.size > size) {
            Outside("the field " + f.name, def.name);
        }
        if (f.type == FieldType::Data) {
            children.push_back({f.offset, nullptr, &f});
        }
    }
    for (const StructDef& s : def.structs) {
        if (s.offset < 0 || s.offset + kBlockFieldSize > size) {
            Outside("the block " + s.name, def.name);
        }
        children.push_back({s.offset, &s, nullptr});
    }
    std::stable_sort(children.begin(), children.end(),
                     [](const Child& a, const Child& b) { return a.offset < b.offset; });
    return children_.emplace(&def, std::move(children)).first->second;
}

const std::vector<int32_t>& RealisticFiller::CandidatesOf(const FieldDef& field) {
    const auto found = candidates_.find(&field);
    if (found != candidates_.end()) {
        return found->second;
    }
    std::vector<int32_t> entries;
    for (const std::string& cls : field.classes) {
        if (cls == "*") {
            entries.resize(tags_.size());
            std::iota(entries.begin(), entries.end(), 0);
            break;
        }
        const auto of = byClass_.find(cls);
        if (of != byClass_.end()) {
            entries.insert(entries.end(), of->second.begin(), of->second.end());
        }
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    return candidates_.emplace(&field, std::move(entries)).first->second;
}

} // namespace pelmar::builder
