#include "structview/ChunkTree.h"

#include "platform/FileReader.h"
#include "platform/PelmarError.h"
#include "structview/ChunkExpansion.h"
#include "structview/ChunkOffsets.h"
#include "structview/ChunkPath.h"
#include "structview/PluginFile.h"
#include "structview/TextValues.h"

namespace pelmar {

ChunkTree::ChunkTree(std::filesystem::path pluginFolder) : pluginFolder_(std::move(pluginFolder)) {}

std::optional<TagSelection> ChunkTree::SelectTag(const HaloPcMap& map,
                                                 const std::string& tagRowTag) {
    const std::optional<int32_t> index = map.FindTagByName(tagRowTag);
    if (!index) {
        return std::nullopt;
    }
    tagClass_ = tagRowTag.substr(0, tagRowTag.find(':'));
    registry_.Reset();
    TagSelection selection;
    std::shared_ptr<pugi::xml_document> doc;
    try {
        doc = ParsePluginFile(PluginFilePath(pluginFolder_, tagClass_));
    } catch (const PelmarError& e) {
        selection.message = e.what();
        return selection;
    }
    std::optional<std::string> installed = LoadPlugin(registry_, std::move(doc));
    if (!installed) {
        selection.message = kNoInternalNodes;
        return selection;
    }
    tagClass_ = std::move(*installed);
    const int32_t dataOffset = map.TagCache[static_cast<size_t>(*index)].Offset;
    selection.root = ChunkRow{"Main", tagClass_, RowKind::Root, true, dataOffset};
    return selection;
}

std::vector<ChunkRow> ChunkTree::ExpandRow(const HaloPcMap& map, const Tag& tag,
                                           const std::string& rowTag) {
    if (IsLeftOutRowTag(rowTag)) {
        return {};
    }
    const FileReader file(map.f);
    const Expansion e{file, map.Magic, tag.Offset, tagClass_, registry_, expansionLimit_};
    return HasStructPart(rowTag) ? ExpandStructRow(e, rowTag) : ExpandBlockRow(e, rowTag);
}

int32_t ChunkTree::FindBaseOffset(const FileReader& file, int32_t magic, const std::string& path,
                                  int32_t n) const {
    return ResolveChunkPath(registry_, file, magic, path, n);
}

std::optional<ChunkToDuplicate> ChunkTree::LocateChunk(const FileReader& file, int32_t magic,
                                                       const std::string& path, int32_t n) const {
    const std::vector<std::string_view> parts = Split(path, '>');
    if (HasStructPart(path) || parts.size() < 2) {
        return std::nullopt;
    }
    std::string parent = tagClass_;
    for (size_t i = 1; i + 1 < parts.size(); ++i) {
        parent += '>';
        parent += parts[i];
    }
    const std::vector<std::string_view> last = Split(parts.back(), ';');
    const pugi::xml_node node = registry_.Lookup(StructKey(tagClass_, path));
    ChunkToDuplicate chunk;
    chunk.referenceOffset = WrapToInt32(int64_t{FindBaseOffset(file, magic, parent, n)} +
                                        Val(GetAttribute(node, "offset")));
    chunk.chunkSize = WrapToInt32(Val(GetAttribute(node, "size")));
    chunk.chunkIndex = WrapToInt32((last.size() > 1 ? Val(last[1]) : 0) - 1);
    return chunk;
}

bool ChunkTree::IsStructRowTag(const std::string& rowTag) {
    return HasStructPart(rowTag);
}

} // namespace pelmar
