#pragma once

#include "map/HaloPcMap.h"

#include <QStringList>

#include <string>
#include <vector>

namespace pelmar::app {

// The tags of `map` whose class is one of `classes` ("*": any class; none given: any class),
// as "class:name" texts, sorted: what a tag reference may be set to.
QStringList TagTexts(const HaloPcMap& map, const std::vector<std::string>& classes);

} // namespace pelmar::app
