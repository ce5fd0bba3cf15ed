#pragma once

#include "map/SharedBytes.h"

#include <cstdint>
#include <string>

namespace pelmar {

// One entry of a map's tag index. Class codes and names are raw bytes, one character each.
struct Tag {
    std::string Class1;     // the tag's class, by which it is grouped and looked up
    std::string Class2;     // kept as read, not interpreted
    std::string Class3;     // kept as read, not interpreted
    uint32_t ident = 0;     // the tag id
    std::string Name;       // bytes up to the first zero byte at NameOffset
    int32_t NameOffset = 0; // file offset of the name
    int32_t Offset = 0;     // file offset of the tag's data
    int32_t Size = 0;       // byte size of the tag's data
    SharedBytes TagBlock;   // the tag's data as it was when the map was loaded

    // The key of HaloPcMap::TagByName for this tag.
    std::string NameKey() const { return Class1 + ":" + Name; }
};

} // namespace pelmar
