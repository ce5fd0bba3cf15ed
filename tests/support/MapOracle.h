#pragma once

// Maps on bytes for the core's tests: decoding byte vectors, small blueprints, and the oracle
// every edit is checked against.

#include "map/FileEdit.h"
#include "map/HaloPcMap.h"
#include "mapbuilder/MapBuilder.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace pelmar::test {

using Bytes = std::vector<uint8_t>;

// The map held in `bytes` (a copy is decoded; the model keeps it alive).
HaloPcMap Decode(std::span<const uint8_t> bytes);

// Expects every field of the two models, every tag's data bytes and every lookup to agree.
void ExpectSameModel(const HaloPcMap& actual, const HaloPcMap& expected);

// The result of an edit: the new file and its model.
struct Edited {
    Bytes bytes;
    HaloPcMap map;
};

// Materializes `edit` over `before`'s bytes and checks the result as every edit must be: it
// passes the layout checks, a second decode gives the same model tag for tag, the file grew by
// the inserted bytes, and every entry of `before` keeps its class codes, id, name and place,
// its name and (for data here) its data where the insertions moved them.
Edited ExpectSoundEdit(const HaloPcMap& before, const FileEdit& edit);

// A tag of `class1` named `name` with id `ident` holding `data`.
builder::TagSpec PlainTag(const std::string& class1, const std::string& name, uint32_t ident,
                          builder::Block data);
// `size` bytes of counting words (seed * 1000 + index), equal to no test address or tag id.
builder::Block Counting(size_t size, uint32_t seed);
// A map of "scnr:s" (id 0xA0000000) and "weap:abc" (id 0xA0010001, class codes weap, obje,
// item) with `size` counting bytes of seed 9: a source to import from.
Bytes SmallSource(size_t size = 12);
// Little-endian words, as they lie in a file.
Bytes Words(std::initializer_list<int32_t> values);

// Runs `work`, which must throw PelmarError of `kind` whose detail holds `words`; returns it.
PelmarError ExpectError(const std::function<void()>& work, ErrorKind kind,
                        const std::string& words);

// Gives `bytes` (a map built with the "daeh" signature) the header of a PC retail map: version
// 7, file size and tag data size describing the file, and the checksum of its contents.
void MakeRealHeader(Bytes& bytes);

} // namespace pelmar::test
