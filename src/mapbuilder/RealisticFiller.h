#pragma once

#include "mapbuilder/RealisticArena.h"
#include "mapbuilder/RealisticPlan.h"
#include "mapbuilder/RealisticRandom.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace pelmar::builder {

// What one pass of filling needs to know of the rest of the map.
struct FillSettings {
    uint32_t seed = 1;
    std::vector<uint32_t> pathAddresses; // of every entry's path
    int64_t rawDataOffset = 0;           // file offset of the raw data region
    int64_t dataGrowth = 0;              // extra bytes for every data field (up to its byte limit)
    bool ignoreDataLimits = false;       // let data fields grow past their byte limits
    std::vector<int64_t>* dataRoom = nullptr; // when set, records every data field's room to grow
    // The BSP area the scenario's "structure bsps" element points to.
    int32_t bspEntry = -1;
    uint32_t bspOffset = 0, bspSize = 0, bspAddress = 0;
};

// Lays out and fills tags after their plugins: the base struct, then its blocks and data
// fields in field order, each element's own blocks and data after the element array, depth
// first. Every block gets 1 or 2 elements (fewer when its limit is 1), every reference a tag
// of an allowed class that is in the map (null when there is none), every data field a few
// bytes. The layout depends only on the seed and the tag's entry, so a measuring pass and a
// writing pass lay a tag out alike. Laid out in field order, the scenario's "structure bsps"
// block (its last field, at 0x5A4) comes last in its data: the word at 0x5A8 points 32 x (BSP
// count) bytes before the end of the scenario's data, where the game looks for it.
class RealisticFiller {
public:
    RealisticFiller(const std::vector<PlannedTag>& tags, FillSettings settings);

    // Lays out and (unless `arena` measures) fills the data of `entry`; returns the
    // position of its base struct. Throws PelmarError (BadPlugin) when the plugin puts a
    // field outside its struct.
    size_t FillTag(int32_t entry, RealisticArena& arena);

    // Raw data bytes the filled bitmaps use, and model parts the filled models hold.
    int64_t rawDataSize() const { return rawSize_; }
    int32_t modelParts() const { return modelParts_; }

private:
    // A block or data field of a struct, in field order.
    struct Child {
        int64_t offset;
        const StructDef* block;
        const FieldDef* data;
    };
    // The tag being filled.
    struct TagFill {
        RealisticArena& arena;
        const PlannedTag& tag;
        int32_t entry;
        RealisticRandom layout; // counts and sizes: the same in every pass
        RealisticRandom values;
    };

    void FillStruct(const StructDef& def, int64_t size, size_t at, int depth, TagFill& t);
    void FillBlock(const StructDef& block, size_t field, int depth, TagFill& t);
    void FillData(const FieldDef& field, size_t at, TagFill& t);
    void AfterElement(const StructDef& block, size_t at, TagFill& t);
    int32_t CountOf(const StructDef& block, int depth, TagFill& t);
    void WriteTagRef(const FieldDef& field, uint8_t* at, TagFill& t);
    void StoreTagRef(uint8_t* at, std::optional<int32_t> entry, uint32_t nullClass) const;
    const std::vector<Child>& ChildrenOf(const StructDef& def, int64_t size);
    const std::vector<int32_t>& CandidatesOf(const FieldDef& field);

    const std::vector<PlannedTag>& tags_;
    FillSettings settings_;
    std::unordered_map<std::string, std::vector<int32_t>> byClass_;
    std::unordered_map<const StructDef*, std::vector<Child>> children_;
    std::unordered_map<const FieldDef*, std::vector<int32_t>> candidates_;
    int64_t rawSize_ = 0;
    int32_t modelParts_ = 0;
};

} // namespace pelmar::builder
