// File > Load map and the tag list.

#include "app/BusyCursor.h"
#include "app/ChunkTreeModel.h"
#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"
#include "app/PathText.h"
#include "app/TagListModel.h"

#include <QStatusBar>

#include <algorithm>

namespace pelmar::app {

namespace {

// The tags of `tagClass` in `map`, sorted by name (raw bytes).
std::vector<TagListModel::TagEntry> TagsByName(const HaloPcMap& map, const std::string& tagClass) {
    std::vector<TagListModel::TagEntry> tags;
    for (const int32_t index : map.TagsOfClass(tagClass)) {
        tags.emplace_back(index, map.TagCache[static_cast<size_t>(index)].Name.view());
    }
    std::stable_sort(tags.begin(), tags.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    return tags;
}

} // namespace

bool MainWindow::_FileLoadmap_Action() {
    Guard([&] {
        const std::optional<std::filesystem::path> chosen =
            dialogs_->ChooseOpenFile(this, tr("Load map"), HaloMapTypes::HaloMap());
        if (chosen) { // cancelled: the earlier map and everything shown stay
            OpenMap(*chosen);
        }
    });
    return false;
}

void MainWindow::OpenMap(const std::filesystem::path& path) {
    Guard([&] {
        plugins_->ScanForPlugins();
        {
            BusyCursor busy;
            session_.Open(path); // on failure the earlier map stays
        }
        FillTagList();
        setWindowTitle(tr("Pelmar") + " : " + FileNameText(path));
        LbMapTags->setEnabled(true);
        LbTagChunks->setEnabled(true);
    });
}

void MainWindow::FillTagList() {
    ClearChunkTree();
    BtnDup->setEnabled(false);
    statusBar()->clearMessage();
    std::vector<std::string> classes;
    for (const std::string& tagClass : session_.map().TagClass) {
        if (plugins_->HasPluginFor(tagClass)) {
            classes.push_back(tagClass);
        }
    }
    tagModel_->ShowClasses(classes);
}

void MainWindow::LbMapTags_ExpandRow(const QModelIndex& row) {
    Guard([&] {
        if (const std::optional<std::string> tagClass = tagModel_->ClassAt(row)) {
            tagModel_->ShowTags(row, TagsByName(session_.map(), *tagClass));
        }
    });
}

void MainWindow::LbMapTags_CollapseRow(const QModelIndex& row) {
    LbMapTags->setCurrentIndex(row);
    tagModel_->DropTags(row);
}

void MainWindow::LbMapTags_Change() {
    if (const std::optional<int32_t> tag = SelectedTag()) {
        Guard([&] { ShowChunkTree(*tag); });
    } // a class row: the chunk tree keeps what it shows
}

std::optional<int32_t> MainWindow::SelectedTag() const {
    return tagModel_->TagAt(SelectedIndex(LbMapTags));
}

} // namespace pelmar::app
