#include "structview/WholeTree.h"

#include "platform/FileReader.h"
#include "platform/PelmarError.h"
#include "structview/TextValues.h"

#include <algorithm>

namespace pelmar {

std::vector<TreeLine> ExpandWholeTree(ChunkTree& tree, const HaloPcMap& map, const Tag& tag,
                                      const ChunkRow& root, size_t maxRows) {
    std::vector<TreeLine> lines;
    // Rows waiting to be listed, the next one last.
    std::vector<TreeLine> pending{TreeLine{0, root}};
    while (!pending.empty()) {
        TreeLine line = std::move(pending.back());
        pending.pop_back();
        if (line.row.folder) {
            std::vector<ChunkRow> children = tree.ExpandRow(map, tag, line.row.tag);
            for (auto child = children.rbegin(); child != children.rend(); ++child) {
                pending.push_back(TreeLine{line.depth + 1, std::move(*child)});
            }
        }
        lines.push_back(std::move(line));
        if (lines.size() + pending.size() > maxRows) {
            throw PelmarError(FileMessage(
                map.f, "the chunk tree of " + tag.NameKey() + " has more than " +
                           Grouped(static_cast<int64_t>(maxRows)) + " rows; it was not listed"));
        }
    }
    return lines;
}

} // namespace pelmar
