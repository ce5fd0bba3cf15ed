#include "session/PluginCatalog.h"

#include "platform/Error.h"
#include "platform/FileAccess.h"
#include "structview/PluginParser.h"

namespace pelmar {

namespace {

// Plugin files larger than this are refused: a structure definition is at most a few
// hundred kilobytes.
constexpr uint64_t kMaxPluginFileSize = uint64_t{64} << 20;

std::string Shown(std::string_view tagClass) {
    std::string shown;
    for (char c : tagClass) {
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    }
    return shown;
}

} // namespace

PluginCatalog::PluginCatalog(std::filesystem::path folder) : folder_(std::move(folder)) {}

void PluginCatalog::ScanForPlugins() {
    scanPending_ = true;
    parsed_.clear();
    layouts_.clear();
}

void PluginCatalog::FinishScan() const {
    if (!scanPending_) {
        return;
    }
    scanPending_ = false;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder_, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        entries_.insert(it->path().filename().string());
    }
}

bool PluginCatalog::HasPluginFor(std::string_view tagClass) const {
    FinishScan();
    return entries_.count(std::string(tagClass) + ".ent") != 0;
}

std::filesystem::path PluginCatalog::PluginPath(std::string_view tagClass) const {
    const std::string name = std::string(tagClass) + ".ent";
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
        throw PelmarError(ErrorKind::BadPlugin, "no plugin file can exist for the class \"" +
                                                    Shown(tagClass) +
                                                    "\": its name holds \"/\" or a zero byte")
            .InFile(folder_);
    }
    return folder_ / name;
}

std::shared_ptr<const PluginDef> PluginCatalog::Parse(std::string_view tagClass,
                                                      PluginDetail detail) const {
    const std::filesystem::path path = PluginPath(tagClass);
    try {
        const ByteBuffer text = ReadWholeFile(path, kMaxPluginFileSize);
        return std::make_shared<const PluginDef>(ParsePlugin(
            std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), detail));
    } catch (PelmarError& e) {
        throw e.InFile(path);
    }
}

std::shared_ptr<const PluginDef> PluginCatalog::Kept(Parsed& kept, std::string_view tagClass,
                                                     PluginDetail detail) const {
    if (const auto it = kept.find(tagClass); it != kept.end()) {
        return it->second;
    }
    std::shared_ptr<const PluginDef> plugin = Parse(tagClass, detail);
    kept.emplace(std::string(tagClass), plugin);
    return plugin;
}

std::shared_ptr<const PluginDef> PluginCatalog::PluginFor(std::string_view tagClass) {
    return Kept(parsed_, tagClass, PluginDetail::Everything);
}

std::shared_ptr<const PluginDef> PluginCatalog::LayoutFor(std::string_view tagClass) {
    if (const auto it = parsed_.find(tagClass); it != parsed_.end()) {
        return it->second;
    }
    return Kept(layouts_, tagClass, PluginDetail::Addresses);
}

} // namespace pelmar
