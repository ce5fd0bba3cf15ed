// Edit > Undo and Redo, and showing the map again after any edit.

#include "app/ChunkTreeModel.h"
#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"
#include "app/OutcomeText.h"
#include "app/TagListModel.h"

#include <QStatusBar>

namespace pelmar::app {

namespace {

// A menu text that shows `text` as it is ("&" is the mnemonic marker).
QString MenuText(const std::string& text) {
    return QString::fromStdString(text).replace('&', "&&");
}

} // namespace

void MainWindow::_EditUndo_Action() {
    TravelHistory(true);
}

void MainWindow::_EditRedo_Action() {
    TravelHistory(false);
}

void MainWindow::TravelHistory(bool undo) {
    const auto outcome = std::make_shared<EditOutcome>();
    RunJob({undo ? tr("Undoing...") : tr("Redoing..."),
            [session = session_, outcome, undo] {
                *outcome = undo ? session->Undo() : session->Redo();
            },
            [this, place = CurrentPlace(), outcome] {
                ShowEdit(place, *outcome);
                if (!outcome->warnings.empty()) {
                    Message(DoneText(*outcome, true));
                }
            }});
}

// Nothing to undo or redo while a job runs: the session is the job's.
void MainWindow::UpdateHistoryActions() {
    std::optional<std::string> undo, redo;
    if (session_->IsOpen() && !jobs_->Busy()) {
        Guard([&] {
            undo = session_->UndoDescription();
            redo = session_->RedoDescription();
        });
    }
    MenuBar->EditUndo->setEnabled(undo.has_value());
    MenuBar->EditUndo->setText(undo ? tr("&Undo %1").arg(MenuText(*undo)) : tr("&Undo"));
    MenuBar->EditRedo->setEnabled(redo.has_value());
    MenuBar->EditRedo->setText(redo ? tr("&Redo %1").arg(MenuText(*redo)) : tr("&Redo"));
}

void MainWindow::ShowEdit(const Place& place, const EditOutcome& outcome) {
    ShowMapAgain(place);
    ReportEdit(outcome);
    UpdateHistoryActions();
}

void MainWindow::ReportEdit(const EditOutcome& outcome) {
    const std::string& reason = outcome.relocation.reason;
    statusBar()->showMessage(
        tr("Done: %1 (%2)")
            .arg(QString::fromStdString(outcome.summary),
                 reason.empty() ? tr("no addresses moved") : QString::fromStdString(reason)));
}

MainWindow::Place MainWindow::CurrentPlace() const {
    Place place;
    place.tag = SelectedTag();
    if (place.tag) {
        place.key = session_->map().TagCache[static_cast<size_t>(*place.tag)].NameKey();
    }
    if (const ChunkRow* row = chunkModel_->RowAt(SelectedIndex(LbTagChunks))) {
        place.block = row->Path();
    }
    return place;
}

void MainWindow::ShowMapAgain(const Place& place) {
    FillTagList();
    if (!place.tag) {
        return;
    }
    // An undone import removes a tag: the selected one is looked for by its name.
    const HaloPcMap& map = session_->map();
    const auto at = static_cast<size_t>(*place.tag);
    const bool same = at < map.TagCache.size() && map.TagCache[at].NameKey() == place.key;
    if (const std::optional<int32_t> found = same ? place.tag : map.FindTagByName(place.key)) {
        SelectTagRow(*found);
        if (place.block && chunkTag_ == found) {
            SelectBlockRow(*place.block);
        }
    }
}

void MainWindow::SelectTagRow(int32_t tag) {
    const std::string& tagClass = session_->map().TagCache[static_cast<size_t>(tag)].Class1;
    for (int i = 0; i < tagFilter_->rowCount(); ++i) {
        const QModelIndex classRow = tagFilter_->index(i, 0);
        if (tagModel_->ClassAt(classRow) != tagClass) {
            continue;
        }
        LbMapTags->expand(classRow);
        for (int j = 0; j < tagFilter_->rowCount(classRow); ++j) {
            if (tagModel_->TagAt(tagFilter_->index(j, 0, classRow)) == tag) {
                LbMapTags->setCurrentIndex(tagFilter_->index(j, 0, classRow));
            }
        }
    }
}

// Expands the chunk tree along `path` as far as its blocks still exist, and selects the last.
void MainWindow::SelectBlockRow(const ChunkPath& path) {
    QModelIndex row = chunkModel_->index(0, 0);
    for (const PathStep& step : path.steps) {
        const QModelIndex array = ChildRow(
            row,
            [&](const ChunkRow& r) {
                return r.kind == RowKind::Struct && r.layout->name == step.name;
            },
            0);
        const QModelIndex chunk = ChildRow(
            array,
            [&](const ChunkRow& r) { return r.kind == RowKind::Chunk && r.chunk == step.chunk; },
            static_cast<int>(step.chunk - 1));
        if (!chunk.isValid()) {
            break;
        }
        row = chunk;
    }
    LbTagChunks->setCurrentIndex(row);
}

// The first child of `parent` from row `from` on that `is` holds for, once `parent` is
// expanded and its rows up to `from` fetched; invalid when there is none.
QModelIndex MainWindow::ChildRow(const QModelIndex& parent,
                                 const std::function<bool(const ChunkRow&)>& is, int from) {
    if (!parent.isValid()) {
        return {};
    }
    LbTagChunks->expand(parent);
    while (chunkModel_->rowCount(parent) <= from && chunkModel_->canFetchMore(parent)) {
        chunkModel_->fetchMore(parent);
    }
    for (int i = std::max(from, 0); i < chunkModel_->rowCount(parent); ++i) {
        const QModelIndex child = chunkModel_->index(i, 0, parent);
        if (is(*chunkModel_->RowAt(child))) {
            return child;
        }
    }
    return {};
}

} // namespace pelmar::app
