#include "session/EditRecord.h"

#include <algorithm>

namespace pelmar {

bool EditRecord::OnlyOverwrites() const {
    return edit.insertions.empty() && edit.checksum == FileEdit::Checksum::Keep &&
           std::all_of(edit.ops.begin(), edit.ops.end(), [](const FileEdit::Op& op) {
               return op.kind == FileEdit::OpKind::SetBytes;
           });
}

uint64_t EditRecord::Weight() const {
    uint64_t weight = 256 + 64 * edit.ops.size();
    for (const FileEdit::Insertion& i : edit.insertions) {
        weight += i.bytes.size() + 16;
    }
    for (const FileEdit::Op& op : edit.ops) {
        weight += op.bytes.size();
    }
    return weight + trace.setBefore.size() + 8 * trace.moved.size();
}

} // namespace pelmar
