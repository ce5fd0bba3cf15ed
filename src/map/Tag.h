#pragma once

#include "map/SharedBytes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pelmar {

// A tag name: raw bytes. A name read from a map is a view of the map's bytes, so an index
// whose entries all name one long string costs nothing per entry; a name made by the
// program owns its bytes.
class SharedName {
public:
    SharedName() = default;
    explicit SharedName(std::string text) {
        auto owned = std::make_shared<const std::string>(std::move(text));
        view_ = *owned;
        owner_ = std::move(owned);
    }
    SharedName(std::shared_ptr<const void> owner, std::string_view view)
        : owner_(std::move(owner)), view_(view) {}

    std::string_view view() const { return view_; }
    operator std::string_view() const { return view_; }
    std::string str() const { return std::string(view_); }
    size_t size() const { return view_.size(); }
    bool empty() const { return view_.empty(); }
    friend bool operator==(const SharedName& a, std::string_view b) { return a.view_ == b; }

private:
    std::shared_ptr<const void> owner_;
    std::string_view view_;
};

// Where a tag's data is. Real maps have entries whose data is not in the file at all: the
// structure BSP (address 0; its data lies in the BSP area the scenario points to), Custom
// Edition's indexed bitmaps, fonts and strings (a resource index instead of an address), stub
// entries (0xFFFFFFFF) and entries whose address leads outside the file.
enum class DataPlace { Here, BspArea, ResourceMap, Stub, Outside };

// One entry of a map's tag index. Class codes and names are raw bytes, one character each.
struct Tag {
    std::string Class1;     // the tag's class, by which it is grouped and looked up
    std::string Class2;     // kept as read, not interpreted
    std::string Class3;     // kept as read, not interpreted
    uint32_t ident = 0;     // the tag id
    SharedName Name;        // bytes up to the first zero byte at NameOffset
    int32_t NameOffset = 0; // file offset of the name
    int32_t Offset = 0;     // file offset of the tag's data (for external tags: translated as is)
    int32_t Size = 0;       // byte size of the tag's data; 0 when it is not in this file
    SharedBytes TagBlock;   // the tag's data as it was when the map was loaded
    DataPlace place = DataPlace::Here;

    bool HasData() const { return place == DataPlace::Here; }
    // The key of HaloPcMap::TagByName for this tag: class, ":" and name.
    std::string NameKey() const { return Class1 + ":" + Name.str(); }
};

// One line saying why a tag has no data in this file ("its data is in a resource map").
std::string_view WhyNoData(DataPlace place);

} // namespace pelmar
