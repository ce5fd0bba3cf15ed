// The chunk tree: filled when a tag is selected, expanded from the map file row by row.

#include "app/BusyCursor.h"
#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"
#include "app/TreeRows.h"
#include "platform/FileReader.h"

#include <QSignalBlocker>

namespace pelmar::app {

std::optional<int32_t> MainWindow::CurrentTag() const {
    const QTreeWidgetItem* row = SelectedRow(LbMapTags);
    if (row == nullptr || !map_.IsLoaded()) {
        return std::nullopt;
    }
    return map_.FindTagByName(CellTag(row));
}

std::optional<int32_t> MainWindow::RequireCurrentTag(const QString& what) {
    std::optional<int32_t> tag = CurrentTag();
    if (!tag) {
        Message(tr("Select a tag in the tag list first: %1").arg(what));
    }
    return tag;
}

void MainWindow::LbMapTags_Change() {
    const QTreeWidgetItem* row = SelectedRow(LbMapTags);
    if (row == nullptr) {
        return;
    }
    Guarded([&] {
        std::optional<TagSelection> selection = chunkTree_.SelectTag(map_, CellTag(row));
        if (!selection) {
            return; // a class row: the chunk tree keeps what it shows
        }
        Solid = false;
        DeleteAllRows(LbTagChunks);
        Solid = true;
        LoadPlugin(*selection);
    });
}

void MainWindow::LoadPlugin(const TagSelection& selection) {
    if (!selection.root) {
        Message(QString::fromStdString(selection.message));
        return;
    }
    QTreeWidgetItem* root =
        AddFolder(LbTagChunks, nullptr, QString::fromStdString(selection.root->text));
    SetCellTag(root, selection.root->tag);
}

void MainWindow::LbTagChunks_ExpandRow(QTreeWidgetItem* row) {
    Solid = false;
    std::optional<int32_t> tag =
        RequireCurrentTag(tr("the chunks shown are read from the data of the selected tag."));
    const bool expanded =
        tag && Guarded([&] {
            BusyCursor busy;
            const std::vector<ChunkRow> rows =
                chunkTree_.ExpandRow(map_, map_.TagCache[static_cast<size_t>(*tag)], CellTag(row));
            DropChildren(row);
            for (const ChunkRow& chunk : rows) {
                const QString text = QString::fromStdString(chunk.text);
                QTreeWidgetItem* added = chunk.folder ? AddFolder(LbTagChunks, row, text)
                                                      : AddRow(LbTagChunks, row, text);
                SetCellTag(added, chunk.tag);
            }
        });
    if (!expanded) {
        UndoExpansion(LbTagChunks, row);
    }
    Solid = true;
}

void MainWindow::UndoExpansion(QTreeWidget* list, QTreeWidgetItem* row) {
    const QSignalBlocker quiet(list);
    DropChildren(row);
    row->setExpanded(false);
}

void MainWindow::LbTagChunks_Change() {
    if (!Solid) {
        return;
    }
    const QTreeWidgetItem* row = SelectedRow(LbTagChunks);
    BtnDup->setEnabled(row != nullptr && !ChunkTree::IsStructRowTag(CellTag(row)));
}

void MainWindow::LbTagChunks_CollapseRow(QTreeWidgetItem* row) {
    Solid = false;
    SetListIndex(LbTagChunks, row); // the collapsed row becomes the selection; BtnDup stays
    DropChildren(row);
    Solid = true;
}

int32_t MainWindow::FindBaseOffset(const std::string& path, int32_t n) const {
    const FileReader file(map_.f);
    return chunkTree_.FindBaseOffset(file, map_.Magic, path, n);
}

} // namespace pelmar::app
