#include "structview/ChunkPath.h"

namespace pelmar {

std::vector<std::string_view> Split(std::string_view text, char delimiter) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t at = text.find(delimiter); at != std::string_view::npos;
         at = text.find(delimiter, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string StructKey(std::string_view start, std::string_view path) {
    const std::vector<std::string_view> parts = Split(path, '>');
    std::string key(start);
    for (size_t i = 1; i < parts.size(); ++i) {
        key += '>';
        key += parts[i].substr(0, parts[i].find(';'));
    }
    return key;
}

bool HasStructPart(std::string_view rowTag) {
    return rowTag.find('|') != std::string_view::npos;
}

std::pair<std::string_view, std::string_view> SplitStructRowTag(std::string_view rowTag) {
    const size_t bar = rowTag.find('|');
    if (bar == std::string_view::npos) {
        return {rowTag, {}};
    }
    return {rowTag.substr(0, bar), rowTag.substr(bar + 1)};
}

std::string StructRowTag(std::string_view path, std::string_view name) {
    std::string tag(path);
    tag += '|';
    tag += name;
    return tag;
}

std::string ChunkPathStart(std::string_view path, std::string_view name) {
    std::string start(path);
    start += '>';
    start += name;
    start += ';';
    return start;
}

std::string ChunkPathOf(std::string_view path, std::string_view name, int64_t k) {
    return ChunkPathStart(path, name) + std::to_string(k);
}

bool IsLeftOutRowTag(std::string_view rowTag) {
    return rowTag == kLeftOutRowTag;
}

} // namespace pelmar
