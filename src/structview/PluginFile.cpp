#include "structview/PluginFile.h"

#include "platform/FileReader.h"
#include "platform/PelmarError.h"

#include <algorithm>
#include <string>

namespace pelmar {

namespace {

// Comments and processing instructions are kept as nodes, as the document's own structure;
// text made only of whitespace is not.
constexpr unsigned kPluginParseFlags = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;

std::string ShownClass(std::string_view tagClass) {
    std::string shown;
    for (char c : tagClass) {
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    }
    return shown;
}

} // namespace

std::filesystem::path PluginFilePath(const std::filesystem::path& folder,
                                     std::string_view tagClass) {
    const std::string name = std::string(tagClass) + ".ent";
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
        throw PelmarError(FileMessage(folder, "no plugin file can exist for the class \"" +
                                                  ShownClass(tagClass) +
                                                  "\": its name holds \"/\" or a zero byte"));
    }
    return folder / name;
}

int64_t LineAt(std::string_view text, int64_t offset) {
    const auto end = static_cast<size_t>(std::clamp<int64_t>(offset, 0, int64_t(text.size())));
    return 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), '\n');
}

std::shared_ptr<pugi::xml_document> ParsePluginFile(const std::filesystem::path& path) {
    const ByteBuffer bytes = ReadWholeFile(path, kMaxPluginFileSize);
    auto doc = std::make_shared<pugi::xml_document>();
    const pugi::xml_parse_result result =
        doc->load_buffer(bytes.data(), bytes.size(), kPluginParseFlags, pugi::encoding_auto);
    if (!result) {
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        throw PelmarError(FileMessage(path, std::string("not a well-formed plugin file: ") +
                                                result.description() + " at line " +
                                                std::to_string(LineAt(text, result.offset))));
    }
    if (!PluginRoot(*doc)) {
        throw PelmarError(FileMessage(path, "the plugin file holds no element"));
    }
    return doc;
}

pugi::xml_node PluginRoot(const pugi::xml_document& doc) {
    const pugi::xml_node first = doc.first_child();
    if (first.type() == pugi::node_element) {
        return first;
    }
    return doc.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; });
}

} // namespace pelmar
