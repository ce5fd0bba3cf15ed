#include "structview/DuplicationTarget.h"

#include "platform/FileReader.h"
#include "platform/PelmarError.h"
#include "structview/ChunkPath.h"
#include "structview/TextValues.h"

#include <optional>

namespace pelmar {

namespace {

constexpr char kUnchanged[] = "; nothing was changed";

[[noreturn]] void SelectAChunk(const std::string& why) {
    throw PelmarError("Select a chunk to duplicate: " + why + ".");
}

void RequireChunkRow(const std::string& rowTag) {
    if (IsLeftOutRowTag(rowTag)) {
        SelectAChunk("this row only counts the chunks that are not listed");
    }
    if (HasStructPart(rowTag)) {
        SelectAChunk("a struct row stands for the whole array; expand it and select one of its "
                     "chunks");
    }
    if (Split(rowTag, '>').size() < 2) {
        SelectAChunk("the row \"Main\" is the tag's own data, not a chunk of a struct");
    }
}

// The size of the selected chunk's struct, as its plugin gives it, must be a length.
void RequireChunkSize(const ChunkTree& tree, const HaloPcMap& map, const std::string& rowTag) {
    const std::string key = StructKey(tree.TagClass(), rowTag);
    const std::string_view size = GetAttribute(tree.registry().Lookup(key), "size");
    const std::string what = "struct \"" + key + "\" ";
    if (size.empty()) {
        throw PelmarError(FileMessage(map.f, what +
                                                 "has no size in its plugin, so its chunks "
                                                 "have no length and there is nothing to "
                                                 "duplicate" +
                                                 kUnchanged));
    }
    const int32_t chunkSize = WrapToInt32(Val(size));
    if (chunkSize <= 0) {
        throw PelmarError(FileMessage(map.f, what + "has the size \"" + std::string(size) +
                                                 "\" in its plugin, which is " +
                                                 (chunkSize == 0 ? "0: there is nothing to "
                                                                   "duplicate"
                                                                 : "negative") +
                                                 kUnchanged));
    }
}

const Tag& RequireTag(const HaloPcMap& map, int32_t currentTag) {
    if (!map.IsLoaded() || map.f.empty()) {
        throw PelmarError("No map is loaded.");
    }
    if (currentTag < 0 || static_cast<size_t>(currentTag) >= map.TagCache.size()) {
        throw PelmarError("Select a tag first: Duplicate copies a chunk of the selected tag.");
    }
    return map.TagCache[static_cast<size_t>(currentTag)];
}

ChunkToDuplicate Locate(const ChunkTree& tree, const HaloPcMap& map, const Tag& tag,
                        const std::string& rowTag) {
    const FileReader file(map.f);
    std::optional<ChunkToDuplicate> chunk;
    try {
        chunk = tree.LocateChunk(file, map.Magic, rowTag, tag.Offset);
    } catch (const PelmarError& e) {
        throw PelmarError(std::string(e.what()) +
                          " (the chunk tree may be out of date or the plugin wrong)" + kUnchanged);
    }
    if (!chunk) {
        SelectAChunk("the selected row is not a chunk");
    }
    if (!file.Contains(chunk->referenceOffset, 8)) {
        throw PelmarError(FileMessage(
            map.f, "the reference of the struct of " + rowTag + " would be at offset " +
                       std::to_string(chunk->referenceOffset) + ", outside the file (" +
                       std::to_string(file.Length()) +
                       " bytes; the chunk tree may be out of date or the plugin wrong)" +
                       kUnchanged));
    }
    return *chunk;
}

} // namespace

ChunkToDuplicate ResolveDuplicationTarget(const ChunkTree& tree, const HaloPcMap& map,
                                          int32_t currentTag, const std::string& rowTag) {
    const Tag& tag = RequireTag(map, currentTag);
    RequireChunkRow(rowTag);
    RequireChunkSize(tree, map, rowTag);
    return Locate(tree, map, tag, rowTag);
}

DuplicationResult DuplicateSelectedChunk(HaloPcMap& map, const ChunkTree& tree, int32_t currentTag,
                                         const std::string& rowTag) {
    const ChunkToDuplicate chunk = ResolveDuplicationTarget(tree, map, currentTag, rowTag);
    return DuplicateChunk(map, currentTag, tree.TagClass(), chunk);
}

} // namespace pelmar
