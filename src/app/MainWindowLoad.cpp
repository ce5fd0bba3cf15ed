// File > Load map, the tag list and its filter box.

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

// The map is read into a session of its own on another thread, and takes the place of the one
// shown only once it is read, unless loading was cancelled meanwhile.
void MainWindow::OpenMap(const std::filesystem::path& path) {
    const std::shared_ptr<MapSession> loaded = MakeSession(session_->relocationMode());
    RunJob({tr("Loading %1...").arg(FileNameText(path)),
            [plugins = plugins_, loaded, path] {
                plugins->ScanForPlugins();
                loaded->Open(path);
            },
            [this, loaded, path] { ShowLoadedMap(loaded, path); }, true});
}

void MainWindow::ShowLoadedMap(std::shared_ptr<MapSession> loaded,
                               const std::filesystem::path& path) {
    session_ = std::move(loaded);
    FillTagList();
    setWindowTitle(tr("Pelmar") + " : " + FileNameText(path));
    LbMapTags->setEnabled(true);
    LbTagChunks->setEnabled(true);
    RememberMap(path);
}

void MainWindow::FillTagList() {
    ClearChunkTree();
    BtnDup->setEnabled(false);
    BtnDupDeep->setEnabled(false);
    statusBar()->clearMessage();
    std::vector<std::string> classes;
    for (const std::string& tagClass : session_->map().TagClass) {
        if (plugins_->HasPluginFor(tagClass)) {
            classes.push_back(tagClass);
        }
    }
    tagModel_->ShowClasses(classes, [this](const std::string& tagClass) {
        return TagsByName(session_->map(), tagClass);
    });
    ApplyTagFilter();
}

void MainWindow::TagFilter_Change(const QString&) {
    ApplyTagFilter();
}

// Typing narrows the list to the classes and tags whose names hold the text, every tag of a
// matching class included; the classes left are opened to show their tags.
void MainWindow::ApplyTagFilter() {
    const QString text = TagFilter->text();
    if (!text.isEmpty()) {
        tagModel_->ListAllTags();
    }
    tagFilter_->setFilterFixedString(text);
    if (!text.isEmpty()) {
        LbMapTags->expandAll();
    }
}

// The view lists a class's tags when it lays the opened row out; one opened before the view has
// laid out its rows is listed here.
void MainWindow::LbMapTags_ExpandRow(const QModelIndex& row) {
    if (tagFilter_->canFetchMore(row)) {
        tagFilter_->fetchMore(row);
    }
}

void MainWindow::LbMapTags_CollapseRow(const QModelIndex& row) {
    LbMapTags->setCurrentIndex(row);
    if (TagFilter->text().isEmpty()) { // while filtering, every tag stays listed
        tagModel_->DropTags(tagFilter_->mapToSource(row));
    }
}

void MainWindow::LbMapTags_Change() {
    if (const std::optional<int32_t> tag = SelectedTag()) {
        Guard([&] { ShowChunkTree(*tag); });
        return;
    }
    // A class row: the chunk tree keeps what it shows, with no row selected and no values.
    Solid = false;
    LbTagChunks->clearSelection();
    Solid = true;
    ClearValues();
}

std::optional<int32_t> MainWindow::SelectedTag() const {
    return tagModel_->TagAt(SelectedIndex(LbMapTags));
}

} // namespace pelmar::app
