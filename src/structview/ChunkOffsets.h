#pragma once

#include "structview/PluginRegistry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmar {

class FileReader;

// The 32-bit word at file position `at`, read for `what` (named in the message when the word
// does not lie inside the file; then nothing is read).
int32_t ReadMapWord(const FileReader& file, int64_t at, const std::string& what);

// The file offset of the block that chunk path `path` names, given the file offset `n` of the
// tag's data: for each component N;k, the pointer of struct N (registered under the path's
// struct key so far) is read from the block named so far, and the block becomes its chunk k.
// Pointers are map addresses: file offset = address - magic. The arithmetic is on 32-bit words
// with wrap-around; the chunk number is not checked against the struct's count.
int32_t ResolveChunkPath(const PluginRegistry& registry, const FileReader& file, int32_t magic,
                         std::string_view path, int32_t n);

} // namespace pelmar
