#include "TreeTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pelmar::test {

std::string ExampleName() {
    return "example" + std::string(400, '_');
}

std::string ExampleTag() {
    return "exmp:" + ExampleName();
}

builder::MapSpec ExampleMap::Blueprint() const {
    builder::MapSpec blueprint;
    blueprint.headerSize = 20; // index at 20, tag entries at 60, magic = mapMagic - 60
    blueprint.mapMagic = 900 + 60;
    builder::TagSpec tag;
    tag.class1 = "exmp";
    tag.name = ExampleName(); // the entry ends at 92; the name and its zero end at 500
    builder::Block data(100);
    builder::Reflexive n{16, 48, chunks};
    if (n.chunks.empty()) {
        n.chunks.assign(static_cast<size_t>(count), builder::Block(48));
    }
    data.Add(std::move(n));
    for (const builder::Reflexive& ref : extraRefs) {
        data.Add(ref);
    }
    tag.data = std::move(data);
    blueprint.tags.push_back(std::move(tag));
    return blueprint;
}

TreeFixture::TreeFixture() : plugins_(dir / "plugins"), mapPath_(dir / "test.map") {
    std::filesystem::create_directory(plugins_);
}

void TreeFixture::WritePlugin(const std::string& name, const std::string& text) const {
    std::ofstream out(plugins_ / name, std::ios::binary);
    out << text;
}

builder::BuiltMap TreeFixture::WriteAndLoad(const builder::MapSpec& blueprint) {
    builder::BuiltMap built = WriteMap(mapPath_, blueprint);
    map.LoadMap(mapPath_);
    return built;
}

const Tag& TreeFixture::TagNamed(const std::string& key) const {
    return map.TagCache.at(static_cast<size_t>(map.FindTagByName(key).value()));
}

ChunkTree SelectedTree(const TreeFixture& fx, const std::string& tagKey) {
    ChunkTree tree(fx.plugins());
    const std::optional<TagSelection> selection = tree.SelectTag(fx.map, tagKey);
    EXPECT_TRUE(selection.has_value());
    EXPECT_TRUE(selection && selection->root) << (selection ? selection->message : "");
    return tree;
}

std::vector<std::string> Texts(const std::vector<ChunkRow>& rows) {
    std::vector<std::string> out;
    for (const ChunkRow& row : rows) {
        out.push_back(row.text);
    }
    return out;
}

std::vector<std::string> Tags(const std::vector<ChunkRow>& rows) {
    std::vector<std::string> out;
    for (const ChunkRow& row : rows) {
        out.push_back(row.tag);
    }
    return out;
}

} // namespace pelmar::test
