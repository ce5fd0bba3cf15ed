// The regions of a realistic map file around its tags: the file header and its CRC, the tag
// data header, the index entries, raw data and model data.

#include "mapbuilder/RealisticLayout.h"

#include "map/Crc.h"
#include "map/MapLayout.h"
#include "mapbuilder/RealisticRandom.h"
#include "mapbuilder/RealisticValues.h"
#include "platform/Error.h"
#include "platform/Words.h"

#include <cstring>
#include <span>
#include <string>

namespace pelmar::builder {

namespace {

constexpr uint32_t kTagSpace = 0x1700000u; // 23 MiB for the tag data and the largest BSP
constexpr int32_t kVerticesPerPart = 4;
constexpr int32_t kVertexSize = 68; // an uncompressed model vertex
constexpr int32_t kIndicesPerPart = 6;

int64_t Align4(int64_t n) {
    return (n + 3) & ~int64_t{3};
}

void StoreText(uint8_t* at, const std::string& text) {
    std::memcpy(at, text.data(), text.size());
}

std::span<const uint8_t> Region(const std::vector<uint8_t>& file, int64_t offset, int64_t size) {
    return {file.data() + offset, static_cast<size_t>(size)};
}

// The header's CRC (JAMCRC) over, as one stream: each BSP in the order of the scenario's
// "structure bsps" elements (here the one BSP), the model data (vertices and indices), then
// the whole tag data, its header included. The header, the raw data and padding are not
// summed.
uint32_t HeaderCrc(const std::vector<uint8_t>& file, const RegionPlan& r) {
    uint32_t crc = ExtendCrc(kCrcStart, Region(file, r.bspOffset, r.bspSize));
    crc = ExtendCrc(crc, Region(file, r.modelOffset, int64_t{r.vertexSize} + r.indexSize));
    return ExtendCrc(crc, Region(file, r.tagDataOffset, r.tagDataSize));
}

} // namespace

uint32_t BspLoadAddress(int64_t size) {
    return kTagDataBase + kTagSpace - static_cast<uint32_t>(size);
}

RegionPlan PlanRegions(uint32_t version, int64_t bspSize, int64_t rawSize, int32_t modelParts,
                       int64_t tagDataSize) {
    RegionPlan r;
    r.version = version;
    const int64_t vertexSize = int64_t{modelParts} * kVerticesPerPart * kVertexSize;
    const int64_t indexSize = int64_t{modelParts} * kIndicesPerPart * 2;
    const int64_t bsp = layout::kHeaderSize;
    const int64_t raw = Align4(bsp + bspSize);
    const int64_t model = Align4(raw + rawSize);
    const int64_t tagData = Align4(model + vertexSize + indexSize);
    if (tagData + tagDataSize > static_cast<int64_t>(layout::kMaxMapFileSize)) {
        throw PelmarError(ErrorKind::Limit, "realistic map: the map would be larger than " +
                                                std::to_string(layout::kMaxMapFileSize) + " bytes");
    }
    r.bspOffset = static_cast<int32_t>(bsp);
    r.bspSize = static_cast<int32_t>(bspSize);
    r.bspAddress = BspLoadAddress(bspSize);
    r.rawOffset = static_cast<int32_t>(raw);
    r.rawSize = static_cast<int32_t>(rawSize);
    r.modelOffset = static_cast<int32_t>(model);
    r.modelParts = modelParts;
    r.vertexSize = static_cast<int32_t>(vertexSize);
    r.indexSize = static_cast<int32_t>(indexSize);
    r.tagDataOffset = static_cast<int32_t>(tagData);
    r.tagDataSize = static_cast<int32_t>(tagDataSize);
    return r;
}

// 0x000 "head" (bytes "daeh"), 0x004 version, 0x008 file size, 0x010 tag data offset, 0x014
// tag data size (offset + size = file length), 0x020 scenario name, 0x040 build (retail
// 01.00.00.0564, Custom Edition 01.00.00.0609), 0x060 type (1 multiplayer), 0x064 CRC,
// 0x7FC "foot" (bytes "toof").
void WriteFileHeader(std::vector<uint8_t>& file, const RegionPlan& r) {
    using namespace layout;
    uint8_t* h = file.data();
    StoreU32(h, FourCC("head"));
    StoreU32(h + kHeaderVersionField, r.version);
    StoreU32(h + kHeaderFileSizeField, static_cast<uint32_t>(r.FileSize()));
    StoreU32(h + kIndexOffsetField, static_cast<uint32_t>(r.tagDataOffset));
    StoreU32(h + kHeaderTagDataSizeField, static_cast<uint32_t>(r.tagDataSize));
    StoreText(h + kHeaderNameField, kRealisticScenarioName);
    StoreText(h + kHeaderBuildField, r.version == 609 ? "01.00.00.0609" : "01.00.00.0564");
    h[kHeaderTypeField] = 1;
    StoreU32(h + kHeaderCrcField, HeaderCrc(file, r));
    StoreU32(h + kHeaderSize - 4, FourCC("foot"));
}

// +0 tag array address (0x40440028), +4 scenario id, +8 checksum of the tag files, +12 tag
// count, +16 model part count, +20 model data file offset, +24 part count again, +28 vertex
// data size, +32 model data size (vertices and indices), +36 "tags".
void WriteTagDataHeader(uint8_t* at, const RegionPlan& r, uint32_t scenarioIdent, uint32_t tagCount,
                        uint32_t tagFileChecksum) {
    StoreU32(at, kTagDataBase + static_cast<uint32_t>(kTagDataHeaderSize));
    StoreU32(at + 4, scenarioIdent);
    StoreU32(at + 8, tagFileChecksum);
    StoreU32(at + 12, tagCount);
    StoreU32(at + 16, static_cast<uint32_t>(r.modelParts));
    StoreU32(at + 20, static_cast<uint32_t>(r.modelOffset));
    StoreU32(at + 24, static_cast<uint32_t>(r.modelParts));
    StoreU32(at + 28, static_cast<uint32_t>(r.vertexSize));
    StoreU32(at + 32, static_cast<uint32_t>(r.vertexSize + r.indexSize));
    StoreU32(at + 36, FourCC("tags"));
}

// +0, +4, +8 class, parent, grandparent (0xFFFFFFFF for none), +12 tag id, +16 path address,
// +20 data address, +24 1 when the data is in a resource map (Custom Edition), +28 padding.
void WriteIndexEntry(uint8_t* at, const PlannedTag& tag, uint32_t pathAddress, uint32_t dataWord) {
    auto code = [](const std::string& cls) {
        return cls == std::string(4, '\xFF') ? 0xFFFFFFFFu : FourCC(cls);
    };
    StoreU32(at, code(tag.class1));
    StoreU32(at + 4, code(tag.class2));
    StoreU32(at + 8, code(tag.class3));
    StoreU32(at + 12, tag.ident);
    StoreU32(at + 16, pathAddress);
    StoreU32(at + 20, dataWord);
    const bool indexed = tag.kind == EntryKind::Resource || tag.kind == EntryKind::IndexedSound;
    StoreU32(at + 24, indexed ? 1u : 0u);
}

void WriteRawAndModelData(std::vector<uint8_t>& file, const RegionPlan& r, uint32_t seed) {
    RealisticRandom random(RealisticRandom::Mix(seed, 0xDA7A, 3));
    for (int32_t i = 0; i + 4 <= r.rawSize; i += 4) {
        StoreU32(file.data() + r.rawOffset + i, random.Word());
    }
    uint8_t* vertices = file.data() + r.modelOffset;
    for (int32_t i = 0; i + 4 <= r.vertexSize; i += 4) {
        StoreU32(vertices + i, BandFloatBits(random));
    }
    // Each part's two triangles, as a strip over its four vertices.
    uint8_t* indices = vertices + r.vertexSize;
    static constexpr uint8_t kStrip[kIndicesPerPart] = {0, 1, 2, 3, 2, 1};
    for (int32_t i = 0; i < r.indexSize / 2; ++i) {
        indices[2 * i] = kStrip[i % kIndicesPerPart];
    }
}

} // namespace pelmar::builder
