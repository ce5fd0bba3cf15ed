#include "cli/CliTagSelection.h"

#include "cli/CliText.h"
#include "platform/FileReader.h"
#include "platform/PelmarError.h"

namespace pelmar::cli {

std::filesystem::path PluginFolderOption(const std::string& given) {
    if (!given.empty()) {
        return given;
    }
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path("plugins") : exe.parent_path() / "plugins";
}

TagSelection SelectTagOrThrow(ChunkTree& tree, const HaloPcMap& map, const std::string& tagKey) {
    std::optional<TagSelection> selection = tree.SelectTag(map, tagKey);
    if (!selection) {
        throw PelmarError(FileMessage(map.f, "no tag " + Printable(tagKey) +
                                                 " (give CLASS:NAME as 'tags' lists it)"));
    }
    return *selection;
}

} // namespace pelmar::cli
