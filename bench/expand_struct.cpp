// Expanding the struct row of a struct with 100,000 chunks: one count and one pointer read from
// the map's bytes, then 100,000 chunk rows.

#include "map/HaloPcMap.h"
#include "mapbuilder/MapBuilder.h"
#include "structview/ChunkTree.h"
#include "structview/PluginParser.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int kChunks = 100'000;
constexpr int kChunkSize = 16;

// A map with one tag whose data holds, at offset 16, a struct of kChunks chunks.
pelmar::HaloPcMap StructOf100k() {
    pelmar::builder::MapSpec blueprint;
    pelmar::builder::TagSpec tag;
    tag.class1 = "benc";
    tag.name = "bench\\struct of 100k";
    tag.data = pelmar::builder::Block(64);
    tag.data.Add(pelmar::builder::Reflexive{
        16, kChunkSize,
        std::vector<pelmar::builder::Block>(kChunks, pelmar::builder::Block(kChunkSize))});
    blueprint.tags.push_back(std::move(tag));
    const std::vector<uint8_t> bytes = pelmar::builder::BuildMap(blueprint).bytes;
    auto buffer = std::make_shared<pelmar::ByteBuffer>(bytes.size());
    std::memcpy(buffer->data(), bytes.data(), bytes.size());
    return pelmar::HaloPcMap::Decode(buffer);
}

void BM_ExpandStructOf100kChunks(benchmark::State& state) {
    const pelmar::HaloPcMap map = StructOf100k();
    const pelmar::PluginDef plugin = pelmar::ParsePlugin(
        "<plugin class=\"benc\"><struct name=\"items\" offset=\"16\" size=\"16\"/></plugin>");
    const pelmar::TreeView view{plugin, map.bytes(), map.Magic, map.TagCache.front().Offset};
    const std::vector<pelmar::ChunkRow> structs = pelmar::ExpandRow(view, pelmar::RootRow(view));
    size_t rows = 0;
    for (auto _ : state) {
        std::vector<pelmar::ChunkRow> added = pelmar::ExpandRow(view, structs.front());
        rows = added.size();
        benchmark::DoNotOptimize(added.data());
    }
    if (rows != kChunks) {
        state.SkipWithError("the expansion did not add one row per chunk");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows));
}
BENCHMARK(BM_ExpandStructOf100kChunks)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
