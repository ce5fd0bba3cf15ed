#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmar::builder {

// Small inputs that once cost far more than their size, kept for tests and the fuzzers' seeds.
struct HostileCase {
    std::string name;
    std::string plugin; // the plugin of class "weap"
    std::vector<uint8_t> map;
};

// A plugin nested 64 deep over a small map whose struct points at itself; a struct of size 0
// with a million chunks; an index whose entries all name one long string.
std::vector<HostileCase> HostileCases();

} // namespace pelmar::builder
