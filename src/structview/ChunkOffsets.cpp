#include "structview/ChunkOffsets.h"

#include "platform/FileReader.h"
#include "platform/Int32.h"
#include "platform/PelmarError.h"
#include "structview/ChunkPath.h"
#include "structview/TextValues.h"

namespace pelmar {

int32_t ReadMapWord(const FileReader& file, int64_t at, const std::string& what) {
    try {
        return file.ReadI32(at);
    } catch (const PelmarError& e) {
        throw PelmarError(std::string(e.what()) + ", where " + what + " should be");
    }
}

int32_t ResolveChunkPath(const PluginRegistry& registry, const FileReader& file, int32_t magic,
                         std::string_view path, int32_t n) {
    const std::vector<std::string_view> parts = Split(path, '>');
    std::string key(parts[0]);
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::vector<std::string_view> sub = Split(parts[i], ';');
        key += '>';
        key += sub[0];
        const pugi::xml_node node = registry.Lookup(key);
        const int64_t at = int64_t{n} + Val(GetAttribute(node, "offset")) + 4;
        const int32_t pointer = ReadMapWord(file, at, "the pointer of struct \"" + key + "\"");
        const int64_t chunk = sub.size() > 1 ? Val(sub[1]) : 0;
        const int32_t skip =
            MulWrap(WrapToInt32(Val(GetAttribute(node, "size"))), WrapToInt32(chunk - 1));
        n = SubWrap(AddWrap(pointer, skip), magic);
    }
    return n;
}

} // namespace pelmar
