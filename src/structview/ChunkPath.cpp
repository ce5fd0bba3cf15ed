#include "structview/ChunkPath.h"

#include "platform/Error.h"
#include "structview/TextValues.h"

#include <algorithm>

namespace pelmar {

ChunkPath ChunkPath::Child(std::string_view name, int64_t chunk) const {
    ChunkPath child = *this;
    child.steps.push_back({std::string(name), chunk});
    return child;
}

ChunkPath ChunkPath::Parent() const {
    ChunkPath parent = *this;
    if (!parent.steps.empty()) {
        parent.steps.pop_back();
    }
    return parent;
}

ChunkPath ToChunkPath(const SharedPath& node) {
    ChunkPath path;
    for (const PathNode* n = node.get(); n != nullptr; n = n->parent.get()) {
        path.steps.push_back({*n->name, n->chunk});
    }
    std::reverse(path.steps.begin(), path.steps.end());
    return path;
}

std::string FormatChunkPath(std::string_view tagClass, const ChunkPath& path) {
    std::string text(tagClass);
    for (const PathStep& step : path.steps) {
        text += '>';
        text += step.name;
        text += ';';
        text += std::to_string(step.chunk);
    }
    return text;
}

std::string FormatStructRowTag(std::string_view tagClass, const ChunkPath& block,
                               std::string_view name) {
    return FormatChunkPath(tagClass, block) + "|" + std::string(name);
}

ChunkPath ParseChunkPath(std::string_view text, std::string_view tagClass) {
    size_t at = text.find('>');
    if (!SameText(text.substr(0, at), tagClass)) {
        throw PelmarError(ErrorKind::NotFound, "the chunk path \"" + std::string(text) +
                                                   "\" must start with the class of the tag's "
                                                   "plugin, \"" +
                                                   std::string(tagClass) + "\"");
    }
    ChunkPath path;
    while (at != std::string_view::npos) {
        const size_t next = text.find('>', at + 1);
        const std::string_view part = text.substr(
            at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1);
        const size_t semicolon = part.find(';');
        PathStep step{std::string(part.substr(0, semicolon)), 0};
        if (semicolon != std::string_view::npos) {
            step.chunk = Val(part.substr(semicolon + 1));
        }
        path.steps.push_back(std::move(step));
        at = next;
    }
    return path;
}

} // namespace pelmar
