// The Duplicate buttons: append a copy of the selected chunk to its struct's array, alone or
// with its sub-blocks and data.

#include "app/ChunkTreeModel.h"
#include "app/MainWindow.h"
#include "app/OutcomeText.h"

namespace pelmar::app {

void MainWindow::BtnDup_Action() {
    DuplicateSelected(false);
}

void MainWindow::BtnDupDeep_Action() {
    DuplicateSelected(true);
}

void MainWindow::DuplicateSelected(bool deep) {
    const std::optional<int32_t> tag = SelectedTag();
    if (!tag) {
        Message(tr("Select a tag in the tag list first: Duplicate copies a chunk of the "
                   "selected tag."));
        return;
    }
    const ChunkRow* row = chunkModel_->RowAt(SelectedIndex(LbTagChunks));
    if (row == nullptr) {
        Message(tr("Select a chunk row in the chunk tree first."));
        return;
    }
    if (row->kind == RowKind::Struct || row->kind == RowKind::LeftOut) {
        Message(tr("The row \"%1\" is not a chunk: select one of the chunks listed under a "
                   "struct row to duplicate it.")
                    .arg(QString::fromStdString(row->Text())));
        return;
    }
    DuplicateChunk(*tag, *row, deep); // the session refuses the root row "Main" and says why
}

// The copy is made on another thread; the tree is shown again once it is written.
void MainWindow::DuplicateChunk(int32_t tag, const ChunkRow& row, bool deep) {
    const auto outcome = std::make_shared<EditOutcome>();
    RunJob({deep ? tr("Duplicating with sub-blocks...") : tr("Duplicating..."),
            [session = session_, outcome, tag, path = row.Path(), deep] {
                *outcome = session->Duplicate(tag, path, deep);
            },
            [this, place = CurrentPlace(), outcome] {
                ShowEdit(place, *outcome);
                Message(DoneText(*outcome, false));
            }});
}

} // namespace pelmar::app
