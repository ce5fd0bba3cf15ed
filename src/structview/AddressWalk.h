#pragma once

#include "map/HaloPcMap.h"
#include "structview/PluginDefinition.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmar {

// The layouts of the classes, by class code; null for a class without a plugin.
using LayoutLookup = std::function<const PluginDef*(std::string_view tagClass)>;

// The kinds of word that a layout declares to hold an address.
enum class SlotKind : uint8_t {
    Block,  // a block's element address (+4 of the block field)
    TagRef, // a tag reference's path address (+4)
    Data,   // a data field's address (+12)
    TagId,  // a tag id field (not an address; visited for translating ids)
};

// One declared word: its file offset and value.
struct AddressSlot {
    int64_t at = 0;
    SlotKind kind = SlotKind::Block;
    int32_t value = 0; // the word as the walk read it
};

// Why precise relocation is not possible for `map`: the first class of a tag with data here
// whose plugin is missing, cannot be read or does not declare itself complete. Empty when
// every such class is covered.
std::optional<std::string> FirstUncoveredClass(const HaloPcMap& map, const LayoutLookup& plugins);

// Lists the declared address words of one block element laid out by `layout` at file offset
// `at`, and of every element of its blocks, recursively. Blocks with a null address own no
// elements here (indexed sounds keep a count with address 0). Throws PelmarError (Refused,
// with the offset) for a block whose count is negative or above its layout's maximum, or whose
// elements do not lie inside the file, and when the elements visited exceed `budget` (blocks
// that overlap or repeat without end).
class AddressWalker {
public:
    AddressWalker(std::span<const uint8_t> file, int32_t magic, int64_t budget)
        : file_(file), magic_(magic), budget_(budget) {}

    // Appends the words to `out` in the order of the walk.
    void Walk(const StructDef& layout, int64_t at, std::vector<AddressSlot>& out);

private:
    void WalkBlock(const StructDef& block, int64_t at, std::vector<AddressSlot>& out);
    std::span<const uint8_t> file_;
    int32_t magic_;
    int64_t budget_;
};

// The declared address words (not the tag id fields) of every tag whose data is in `map`, each tag
// walked from its base struct through its blocks, in ascending file order. `plugins` must cover
// every class of those tags (FirstUncoveredClass). Throws PelmarError (Refused) as AddressWalker
// does. `passed`, if given, is told after each tag the offset of its data: the walk goes in index
// order, so a caller may let go of what lies behind it.
std::vector<AddressSlot> DeclaredAddresses(const HaloPcMap& map, const LayoutLookup& plugins,
                                           const std::function<void(int64_t)>& passed = {});

} // namespace pelmar
