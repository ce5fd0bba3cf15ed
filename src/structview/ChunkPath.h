#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pelmar {

// One step down a tag's data: chunk `chunk` (counted from 1) of the struct named `name`
// inside the block reached so far.
struct PathStep {
    std::string name;
    int64_t chunk = 1;
};

// A chunk path names one block of a tag's data: no steps name the tag's own block; each step
// names a chunk of a struct inside the block before it.
struct ChunkPath {
    std::vector<PathStep> steps;

    bool IsRoot() const { return steps.empty(); }
    ChunkPath Child(std::string_view name, int64_t chunk) const;
    ChunkPath Parent() const;
};

// A chunk path shared by rows of the chunk tree: each node adds one step to its parent's path
// (null is the tag's own block). The name is the struct's, owned by the plugin's layout.
struct PathNode;
using SharedPath = std::shared_ptr<const PathNode>;
struct PathNode {
    SharedPath parent;
    const std::string* name = nullptr;
    int64_t chunk = 1;
};
ChunkPath ToChunkPath(const SharedPath& node);

// The text forms of the chunk tree's row tags, as the command line takes and prints them: the
// class, then ">" + name + ";" + chunk for each step ("weap>magazines;2>ammo packs;1"); a
// struct row's tag is its block's path, "|" and the struct's name.
std::string FormatChunkPath(std::string_view tagClass, const ChunkPath& path);
std::string FormatStructRowTag(std::string_view tagClass, const ChunkPath& block,
                               std::string_view name);

// A chunk path typed by a user. Its first component must be `tagClass` (in any letter case);
// chunk numbers are read as leading decimal digits. Throws PelmarError (NotFound) naming what
// does not fit.
ChunkPath ParseChunkPath(std::string_view text, std::string_view tagClass);

} // namespace pelmar
