#pragma once

#include "map/HaloPcMap.h"
#include "mapbuilder/MapBuilder.h"
#include "structview/ChunkTree.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pelmar::test {

// The map of the worked example: magic 900, one tag of class "exmp" whose data (100 bytes)
// begins at file offset 500 and holds, at offset 16, struct N of `count` chunks of 48 bytes
// (count at 516, pointer 1500 at 520: the chunks start at 600). Extra reflexives of the
// data block, and the chunks' own blocks, can be given.
struct ExampleMap {
    int32_t count = 3;
    std::vector<builder::Reflexive> extraRefs;
    std::vector<builder::Block> chunks; // when empty, `count` empty chunks of 48 bytes

    builder::MapSpec Blueprint() const;
};

// The example tag's name: 407 bytes, so that its data begins at file offset 500.
std::string ExampleName();
// Its key in TagByName: "exmp:" + ExampleName().
std::string ExampleTag();
inline constexpr char kExamplePlugin[] = R"(<plugin class="exmp" headersize="100">
  <struct name="N" offset="16" size="48"/>
</plugin>
)";

// A temporary folder holding a map file and a plugins folder.
class TreeFixture {
public:
    TreeFixture();

    // Writes `text` as the plugin file `name` (e.g. "exmp.ent").
    void WritePlugin(const std::string& name, const std::string& text) const;
    // Builds and writes the map and loads it.
    builder::BuiltMap WriteAndLoad(const builder::MapSpec& blueprint);

    const std::filesystem::path& plugins() const { return plugins_; }
    const std::filesystem::path& mapPath() const { return mapPath_; }
    const Tag& TagNamed(const std::string& key) const;

    TempDir dir;
    HaloPcMap map;

private:
    std::filesystem::path plugins_;
    std::filesystem::path mapPath_;
};

// A chunk tree over the fixture's plugins with `tagKey` selected; fails the test unless the
// plugin was installed.
ChunkTree SelectedTree(const TreeFixture& fx, const std::string& tagKey);

std::vector<std::string> Texts(const std::vector<ChunkRow>& rows);
std::vector<std::string> Tags(const std::vector<ChunkRow>& rows);

} // namespace pelmar::test
