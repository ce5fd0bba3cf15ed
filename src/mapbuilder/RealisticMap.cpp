// A map laid out as the game's compiler lays out multiplayer maps. Every region is measured
// first (a measuring pass lays the tags out without writing them), so that the file is
// allocated once at its final size and written in place.

#include "mapbuilder/RealisticMap.h"

#include "map/MapLayout.h"
#include "mapbuilder/RealisticFiller.h"
#include "mapbuilder/RealisticGrowth.h"
#include "mapbuilder/RealisticLayout.h"
#include "mapbuilder/RealisticValues.h"
#include "platform/Int32.h"
#include "platform/Words.h"

#include <algorithm>
#include <cstring>

namespace pelmar::builder {

namespace {

// What a pass over the tag data found: its size, and where each tag's data begins.
struct TagDataPass {
    int64_t size = 0;
    int64_t rawSize = 0;
    int32_t modelParts = 0;
    std::vector<size_t> positions; // of each entry's base struct (0 for entries without data)
};

int64_t IndexBytes(const std::vector<PlannedTag>& tags) {
    return kTagDataHeaderSize + kEntrySize * static_cast<int64_t>(tags.size());
}

// The paths follow the index, NUL-terminated, in index order.
std::vector<uint32_t> PathAddresses(const std::vector<PlannedTag>& tags) {
    std::vector<uint32_t> addresses;
    uint32_t at = kTagDataBase + static_cast<uint32_t>(IndexBytes(tags));
    for (const PlannedTag& tag : tags) {
        addresses.push_back(at);
        at += static_cast<uint32_t>(tag.name.size() + 1);
    }
    return addresses;
}

// Lays out (and, unless the arena measures, writes) the tag data: header and index (written
// later), paths, then every tag's data in index order.
TagDataPass PassOverTagData(const std::vector<PlannedTag>& tags, const FillSettings& settings,
                            RealisticArena& arena) {
    RealisticFiller filler(tags, settings);
    arena.Allocate(static_cast<uint64_t>(IndexBytes(tags)));
    uint64_t pathBytes = 0;
    for (const PlannedTag& tag : tags) {
        pathBytes += tag.name.size() + 1;
    }
    size_t path = arena.Allocate(pathBytes);
    TagDataPass pass;
    pass.positions.assign(tags.size(), 0);
    for (size_t i = 0; i < tags.size(); ++i) {
        if (!arena.measuring()) {
            std::memcpy(arena.At(path), tags[i].name.data(), tags[i].name.size());
        }
        path += tags[i].name.size() + 1;
    }
    for (size_t i = 0; i < tags.size(); ++i) {
        if (tags[i].HasData()) {
            pass.positions[i] = filler.FillTag(static_cast<int32_t>(i), arena);
        }
    }
    pass.size = static_cast<int64_t>(arena.used());
    pass.rawSize = filler.rawDataSize();
    pass.modelParts = filler.modelParts();
    return pass;
}

// Lays out the BSP area: the 24-byte compiled header (+0 the address of the sbsp struct, +20
// "sbsp"), then the sbsp struct and its blocks, addressed from the BSP's load address.
// Returns its size.
int64_t PassOverBsp(const std::vector<PlannedTag>& tags, const FillSettings& settings,
                    RealisticArena& arena) {
    RealisticFiller filler(tags, settings);
    arena.Allocate(kBspHeaderSize);
    const size_t bsp = filler.FillTag(settings.bspEntry, arena);
    if (!arena.measuring()) {
        StoreU32(arena.At(0), arena.AddressOf(bsp));
        StoreU32(arena.At(20), FourCC("sbsp"));
    }
    return static_cast<int64_t>(arena.used());
}

class RealisticBuilder {
public:
    RealisticBuilder(const RealisticOptions& options, const PluginLookup& plugins)
        : options_(options), tags_(PlanRealisticTags(options, plugins)) {
        settings_.seed = options.seed;
        settings_.pathAddresses = PathAddresses(tags_);
        const auto bsp = std::find_if(tags_.begin(), tags_.end(),
                                      [](const PlannedTag& t) { return t.kind == EntryKind::Bsp; });
        settings_.bspEntry = static_cast<int32_t>(bsp - tags_.begin());
    }

    RealisticMap Build() {
        RealisticArena measuringBsp(0);
        const int64_t bspSize = (PassOverBsp(tags_, settings_, measuringBsp) + 3) & ~int64_t{3};
        regions_ = PlanRegions(options_.version, bspSize, 0, 0, 0);
        settings_.rawDataOffset = regions_.rawOffset;
        settings_.bspOffset = static_cast<uint32_t>(regions_.bspOffset);
        settings_.bspSize = static_cast<uint32_t>(bspSize);
        settings_.bspAddress = regions_.bspAddress;
        MeasureTagData();
        RealisticMap map;
        map.bytes.assign(static_cast<size_t>(regions_.FileSize()), 0);
        WriteBsp(map.bytes);
        WriteRawAndModelData(map.bytes, regions_, options_.seed);
        const TagDataPass pass = WriteTagData(map.bytes);
        WriteFileHeader(map.bytes, regions_);
        Describe(map, pass);
        return map;
    }

private:
    // Measures the tag data and, for a map of a target size, the growth of its data fields
    // that brings the file to about that size.
    void MeasureTagData() {
        std::vector<int64_t> rooms;
        FillSettings measure = settings_;
        measure.dataRoom = &rooms;
        RealisticArena arena(kTagDataBase);
        TagDataPass pass = PassOverTagData(tags_, measure, arena);
        Replan(pass);
        const auto target = static_cast<int64_t>(options_.targetBytes);
        if (target > regions_.FileSize()) {
            const DataGrowth growth = GrowthFor(std::move(rooms), target - regions_.FileSize());
            settings_.dataGrowth = growth.level;
            settings_.ignoreDataLimits = growth.ignoreLimits;
            RealisticArena grown(kTagDataBase);
            Replan(PassOverTagData(tags_, settings_, grown));
        }
    }

    void Replan(const TagDataPass& pass) {
        regions_ = PlanRegions(options_.version, regions_.bspSize, pass.rawSize, pass.modelParts,
                               pass.size);
    }

    void WriteBsp(std::vector<uint8_t>& file) {
        std::span<uint8_t> area(file.data() + regions_.bspOffset,
                                static_cast<size_t>(regions_.bspSize));
        RealisticArena arena(area, regions_.bspAddress);
        FillSettings bsp = settings_;
        bsp.dataGrowth = 0;
        PassOverBsp(tags_, bsp, arena);
    }

    TagDataPass WriteTagData(std::vector<uint8_t>& file) {
        std::span<uint8_t> region(file.data() + regions_.tagDataOffset,
                                  static_cast<size_t>(regions_.tagDataSize));
        RealisticArena arena(region, kTagDataBase);
        TagDataPass pass = PassOverTagData(tags_, settings_, arena);
        if (pass.size != regions_.tagDataSize) {
            throw PelmarError(ErrorKind::Limit, "realistic map: the tag data came out " +
                                                    std::to_string(pass.size) + " bytes, not " +
                                                    std::to_string(regions_.tagDataSize));
        }
        const uint32_t checksum =
            RealisticRandom(RealisticRandom::Mix(options_.seed, 0xC5, 4)).Word();
        WriteTagDataHeader(region.data(), regions_, tags_.front().ident,
                           static_cast<uint32_t>(tags_.size()), checksum);
        for (size_t i = 0; i < tags_.size(); ++i) {
            WriteIndexEntry(region.data() + kTagDataHeaderSize +
                                kEntrySize * static_cast<int64_t>(i),
                            tags_[i], settings_.pathAddresses[i], DataWord(i, pass));
        }
        return pass;
    }

    // The entry's data word: the address of its data, the resource index of an indexed
    // bitmap, font or string, or 0 for the BSP.
    uint32_t DataWord(size_t i, const TagDataPass& pass) const {
        switch (tags_[i].kind) {
        case EntryKind::Bsp:
            return 0;
        case EntryKind::Resource:
            return tags_[i].resourceIndex;
        default:
            return kTagDataBase + static_cast<uint32_t>(pass.positions[i]);
        }
    }

    void Describe(RealisticMap& map, const TagDataPass& pass) const {
        map.tagDataOffset = regions_.tagDataOffset;
        map.magic = SubWrap(static_cast<int32_t>(kTagDataBase), regions_.tagDataOffset);
        map.bspOffset = regions_.bspOffset;
        map.bspSize = regions_.bspSize;
        int32_t end = static_cast<int32_t>(regions_.FileSize());
        map.tags.resize(tags_.size());
        for (size_t k = tags_.size(); k-- > 0;) {
            const PlannedTag& p = tags_[k];
            RealisticTag& t = map.tags[k];
            t = {.class1 = p.class1,
                 .class2 = p.class2,
                 .class3 = p.class3,
                 .name = p.name,
                 .ident = p.ident,
                 .external = !p.HasData(),
                 .indexed = p.kind == EntryKind::Resource || p.kind == EntryKind::IndexedSound};
            const auto word = static_cast<int32_t>(DataWord(k, pass));
            t.offset = SubWrap(word, map.magic);
            if (p.HasData()) {
                t.size = end - t.offset;
                end = t.offset;
            }
        }
    }

    const RealisticOptions& options_;
    std::vector<PlannedTag> tags_;
    FillSettings settings_;
    RegionPlan regions_;
};

} // namespace

RealisticMap BuildRealisticMap(const RealisticOptions& options, const PluginLookup& plugins) {
    if (options.version != 7 && options.version != 609) {
        throw PelmarError(ErrorKind::BadValue,
                          "realistic map: version " + std::to_string(options.version) +
                              " is neither 7 (PC retail) nor 609 (Custom Edition)");
    }
    if (options.targetBytes > layout::kMaxMapFileSize) {
        throw PelmarError(ErrorKind::Limit,
                          "realistic map: " + std::to_string(options.targetBytes) +
                              " bytes do not fit signed 32-bit offsets");
    }
    return RealisticBuilder(options, plugins).Build();
}

} // namespace pelmar::builder
