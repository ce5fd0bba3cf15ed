// The Duplicate button: copies the selected chunk to the end of its struct's array.

#include "app/BusyCursor.h"
#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"
#include "app/TreeRows.h"
#include "map/ChunkDuplication.h"
#include "structview/DuplicationTarget.h"

namespace pelmar::app {

void MainWindow::BtnDup_Action() {
    const std::optional<int32_t> tag =
        RequireCurrentTag(tr("Duplicate copies a chunk of the selected tag."));
    if (!tag) {
        return;
    }
    const QTreeWidgetItem* row = SelectedRow(LbTagChunks);
    if (row == nullptr) {
        Message(tr("Select a chunk row in the chunk tree first."));
        return;
    }
    std::optional<ChunkToDuplicate> chunk;
    Guarded([&] { chunk = ResolveDuplicationTarget(chunkTree_, map_, *tag, CellTag(row)); });
    if (chunk) {
        DuplicateChunk(chunk->referenceOffset, chunk->chunkSize, chunk->chunkIndex);
    }
}

void MainWindow::DuplicateChunk(int32_t referenceOffset, int32_t chunkSize, int32_t chunkIndex) {
    const std::optional<int32_t> tag =
        RequireCurrentTag(tr("Duplicate copies a chunk of the selected tag."));
    if (!tag) {
        return;
    }
    const bool done = Guarded([&] {
        BusyCursor busy;
        pelmar::DuplicateChunk(map_, *tag, TagClass(),
                               ChunkToDuplicate{referenceOffset, chunkSize, chunkIndex});
    });
    if (done) {
        Message(tr("Done"));
    }
}

bool MainWindow::StructsCheck(const std::string& structKey) const {
    return pelmar::StructsCheck(chunkTree_.registry().Lookup(structKey));
}

} // namespace pelmar::app
