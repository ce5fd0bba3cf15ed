// The chunk tree: shown when a tag is selected, expanded row by row from the session's bytes;
// its selected block's fields are shown in the values pane.

#include "app/BusyCursor.h"
#include "app/ChunkTreeModel.h"
#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"

#include <QSignalBlocker>
#include <QStatusBar>

namespace pelmar::app {

void MainWindow::ClearChunkTree() {
    Solid = false;
    chunkModel_->Clear();
    chunkTag_.reset();
    Solid = true;
    ClearValues();
}

void MainWindow::ShowChunkTree(int32_t tag) {
    ClearChunkTree();
    statusBar()->clearMessage();
    const TagTree tree = session_->SelectTag(tag);
    const QString message = QString::fromStdString(tree.message);
    if (tree.root) {
        Solid = false;
        chunkModel_->ShowRoot(tree.plugin, *tree.root);
        chunkTag_ = tag;
        Solid = true;
    } else if (!session_->map().TagCache[static_cast<size_t>(tag)].HasData()) {
        statusBar()->showMessage(message); // a normal state of real maps, not an error
    } else {
        Message(message);
    }
}

void MainWindow::LbTagChunks_ExpandRow(const QModelIndex& row) {
    Solid = false;
    const bool expanded =
        chunkTag_ && Guard([&] {
            BusyCursor busy;
            const ChunkRow* chunkRow = chunkModel_->RowAt(row);
            chunkModel_->SetChildren(
                row, session_->Expand(*chunkTag_, *chunkModel_->plugin(), *chunkRow));
        });
    if (!expanded) {
        CloseRowQuietly(row);
    }
    Solid = true;
}

void MainWindow::CloseRowQuietly(const QModelIndex& row) {
    chunkModel_->DropChildren(row);
    const QSignalBlocker quiet(LbTagChunks);
    LbTagChunks->collapse(row);
}

void MainWindow::LbTagChunks_Change() {
    if (!Solid) {
        return;
    }
    const ChunkRow* row = chunkModel_->RowAt(SelectedIndex(LbTagChunks));
    const bool block =
        row != nullptr && (row->kind == RowKind::Root || row->kind == RowKind::Chunk);
    BtnDup->setEnabled(block);
    BtnDupDeep->setEnabled(block);
    if (block && chunkTag_) {
        ShowValues({*chunkTag_, row->Path()});
    } else {
        ClearValues(); // a struct, a left-out or no row: no block of fields
    }
}

void MainWindow::LbTagChunks_CollapseRow(const QModelIndex& row) {
    Solid = false; // the collapsed row becomes the selection; the button stays as it is
    LbTagChunks->setCurrentIndex(row);
    chunkModel_->DropChildren(row);
    Solid = true;
}

} // namespace pelmar::app
