#pragma once

#include "map/HaloPcMap.h"
#include "mapbuilder/MapBuilder.h"
#include "platform/FileReader.h"
#include "platform/PelmarError.h"
#include "structview/ChunkTree.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace pelmar::test {

using Strings = std::vector<std::string>;

inline const std::string kExampleName = "example" + std::string(400, '_'); // data at 500
inline const std::string kExampleTag = "exmp:" + kExampleName;
inline constexpr char kExamplePlugin[] = R"(<plugin class="exmp" headersize="100">
  <struct name="N" offset="16" size="48"/>
</plugin>
)";

// The map of the worked example: magic 900, one tag of class "exmp" whose data (100 bytes)
// begins at file offset 500 and holds, at offset 16, struct N of `count` chunks of 48 bytes
// (count at 516, pointer 1500 at 520: the chunks start at 600). Extra reflexives of the
// data block can be given, and, for each chunk of N, the chunks of its struct M (offset 8,
// chunks of 4 bytes).
struct ExampleMap {
    int32_t count = 3;
    std::vector<builder::Reflexive> extraRefs;
    std::vector<int> mCounts; // when empty, `count` empty chunks of 48 bytes

    builder::MapSpec Blueprint() const {
        builder::MapSpec blueprint;
        blueprint.headerSize = 20; // index at 20, tag entries at 60, magic = mapMagic - 60
        blueprint.mapMagic = 900 + 60;
        builder::TagSpec tag;
        tag.class1 = "exmp";
        tag.name = kExampleName; // the entry ends at 92; the name and its zero end at 500
        builder::Reflexive n{
            16, 48, std::vector<builder::Block>(static_cast<size_t>(count), builder::Block(48))};
        if (!mCounts.empty()) {
            n.chunks.clear();
            for (int m : mCounts) {
                n.chunks.emplace_back(48).Add(builder::Reflexive{
                    8, 4, std::vector<builder::Block>(static_cast<size_t>(m), builder::Block(4))});
            }
        }
        tag.data = builder::Block(100);
        tag.data.Add(std::move(n));
        for (const builder::Reflexive& ref : extraRefs) {
            tag.data.Add(ref);
        }
        blueprint.tags.push_back(std::move(tag));
        return blueprint;
    }
};

// A temporary folder holding a map file and a plugins folder.
class TreeTest : public ::testing::Test {
protected:
    TreeTest() { std::filesystem::create_directory(plugins); }

    void WritePlugin(const std::string& text, const std::string& name = "exmp.ent") const {
        std::ofstream(plugins / name, std::ios::binary) << text;
    }
    // Writes the plugin (unless empty) and the map, and loads the map.
    void Load(const std::string& plugin,
              const builder::MapSpec& blueprint = ExampleMap{}.Blueprint()) {
        if (!plugin.empty()) {
            WritePlugin(plugin);
        }
        bytes = WriteMap(mapPath, blueprint).bytes;
        map.LoadMap(mapPath);
    }
    // Sets a word of the map file.
    void Poke(int64_t offset, int32_t value) {
        SetWord(bytes, offset, value);
        WriteFileBytes(mapPath, bytes);
    }
    const Tag& tag() const {
        return map.TagCache.at(static_cast<size_t>(map.FindTagByName(kExampleTag).value()));
    }
    // A chunk tree with the example tag selected; fails the test unless its plugin installed.
    ChunkTree Selected() const {
        ChunkTree tree(plugins);
        const std::optional<TagSelection> selection = tree.SelectTag(map, kExampleTag);
        EXPECT_TRUE(selection && selection->root) << (selection ? selection->message : "");
        return tree;
    }
    std::vector<ChunkRow> Expand(ChunkTree& tree, const std::string& rowTag) const {
        return tree.ExpandRow(map, tag(), rowTag);
    }
    // The message of the PelmarError that `work` throws.
    template <class Work> static std::string ErrorOf(Work&& work) {
        try {
            work();
        } catch (const PelmarError& e) {
            return e.what();
        }
        ADD_FAILURE() << "expected PelmarError";
        return "";
    }

    TempDir dir;
    std::filesystem::path plugins = dir / "plugins";
    std::filesystem::path mapPath = dir / "test.map";
    std::vector<uint8_t> bytes;
    HaloPcMap map;
};

// One field of every row.
template <class Field> Strings Column(const std::vector<ChunkRow>& rows, Field ChunkRow::*field) {
    Strings out;
    for (const ChunkRow& row : rows) {
        out.push_back(row.*field);
    }
    return out;
}
inline Strings Texts(const std::vector<ChunkRow>& rows) {
    return Column(rows, &ChunkRow::text);
}
inline Strings Tags(const std::vector<ChunkRow>& rows) {
    return Column(rows, &ChunkRow::tag);
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace pelmar::test
