#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelmar {

// Chunk paths, the hidden tags of the chunk tree's rows.
//
// A chunk path names one block of a tag's data: the class C names the tag's own data block,
// and P>N;k names chunk k (counted from 1) of struct N inside the block that P names. A struct
// row's tag is the chunk path of the block holding the struct, then "|" and the struct's name.
// The struct key of a path (the plugin registry's key of the struct element the path points
// into) is its first component followed by ">" + N for each later component.

// `text` cut at every `delimiter`; text without one is the only element.
std::vector<std::string_view> Split(std::string_view text, char delimiter);

// `start` followed, for each component of `path` after its first, by ">" and the component's
// text up to its first ";". For the tag of a struct row this is the struct key of the chunk
// path before its "|".
std::string StructKey(std::string_view start, std::string_view path);

// True for the tag of a struct row (it contains "|").
bool HasStructPart(std::string_view rowTag);

// A struct row's tag cut at its first "|": the chunk path and the struct name.
std::pair<std::string_view, std::string_view> SplitStructRowTag(std::string_view rowTag);

// The tag of the struct row for struct `name` inside the block that `path` names.
std::string StructRowTag(std::string_view path, std::string_view name);

// `path` + ">" + `name` + ";": the chunk paths of struct `name` without their chunk number.
std::string ChunkPathStart(std::string_view path, std::string_view name);

// The chunk path of chunk `k` of struct `name` inside the block that `path` names.
std::string ChunkPathOf(std::string_view path, std::string_view name, int64_t k);

// The tag of the row that says how many chunks of a struct were left out. It holds two "|",
// which no tag the tree builds from a well-formed plugin does, so it reads as a struct row
// (nothing to duplicate) and is recognised before any expansion.
inline constexpr std::string_view kLeftOutRowTag = "|left out|";

bool IsLeftOutRowTag(std::string_view rowTag);

} // namespace pelmar
