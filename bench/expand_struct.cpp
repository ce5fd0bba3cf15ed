// Expanding the struct row of a struct with 100,000 chunks: one count and one pointer read
// from the map file, then 100,000 chunk rows with their paths and offsets.

#include "mapbuilder/MapBuilder.h"
#include "structview/ChunkTree.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

constexpr int kChunks = 100'000;
constexpr int kChunkSize = 16;

// A map with one tag whose data holds, at offset 16, a struct of kChunks chunks, and the
// plugin that describes it; both in a fresh temporary folder removed at the end.
class StructOf100k {
public:
    StructOf100k() {
        folder_ = std::filesystem::temp_directory_path() /
                  ("pelmar-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder_ / "plugins");
        std::ofstream(folder_ / "plugins" / "benc.ent")
            << "<plugin class=\"benc\">\n  <struct name=\"items\" offset=\"16\" size=\""
            << kChunkSize << "\"/>\n</plugin>\n";
        pelmar::builder::MapSpec blueprint;
        pelmar::builder::TagSpec tag;
        tag.class1 = "benc";
        tag.name = "bench\\struct of 100k";
        tag.data = pelmar::builder::Block(64);
        tag.data.Add(pelmar::builder::Reflexive{
            16, kChunkSize,
            std::vector<pelmar::builder::Block>(kChunks, pelmar::builder::Block(kChunkSize))});
        blueprint.tags.push_back(std::move(tag));
        pelmar::builder::WriteBytes(folder_ / "bench.map",
                                    pelmar::builder::BuildMap(blueprint).bytes);
        map.LoadMap(folder_ / "bench.map");
    }
    ~StructOf100k() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    std::filesystem::path plugins() const { return folder_ / "plugins"; }

    pelmar::HaloPcMap map;

private:
    std::filesystem::path folder_;
};

void BM_ExpandStructOf100kChunks(benchmark::State& state) {
    StructOf100k fixture;
    pelmar::ChunkTree tree(fixture.plugins());
    const pelmar::Tag& tag = fixture.map.TagCache.front();
    if (!tree.SelectTag(fixture.map, tag.NameKey())->root) {
        state.SkipWithError("the plugin was not installed");
        return;
    }
    tree.ExpandRow(fixture.map, tag, "benc");
    size_t rows = 0;
    for (auto _ : state) {
        std::vector<pelmar::ChunkRow> added = tree.ExpandRow(fixture.map, tag, "benc|items");
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
