#pragma once

#include "map/HaloPcMap.h"
#include "mapbuilder/MapBuilder.h"
#include "platform/PelmarError.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pelmar::test {

// A tag of `class1` named `name` whose data is `dataSize` bytes of a recognisable pattern.
builder::TagSpec SimpleTag(const std::string& class1, const std::string& name, uint32_t ident,
                           size_t dataSize = 64);

// A map of the given tags with the default header.
builder::MapSpec SpecOf(std::vector<builder::TagSpec> tags);

// Three tags: "scnr:levels\test" (id 0xE0000001), "weap:gun" and "bipd:guy".
builder::MapSpec ThreeTagSpec();

// Expects `actual` to hold exactly what `expected` holds: header values, every tag's
// fields and data bytes, and every lookup table.
void ExpectSameModel(const HaloPcMap& actual, const HaloPcMap& expected);

// Expects the model to describe `built` (the layout the builder made from `blueprint`).
void ExpectModelMatchesBuild(const HaloPcMap& map, const builder::MapSpec& blueprint,
                             const builder::BuiltMap& built);

// Runs `action`, which must throw PelmarError; returns its message.
template <typename F> std::string ErrorMessageOf(F&& action) {
    try {
        action();
    } catch (const PelmarError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no PelmarError was thrown";
    return {};
}

} // namespace pelmar::test
