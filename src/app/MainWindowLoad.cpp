// The Load map command and the tag list.

#include "app/BusyCursor.h"
#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"
#include "app/PathText.h"
#include "app/TreeRows.h"

#include <algorithm>

namespace pelmar::app {

bool MainWindow::_FileLoadmap_Action() {
    Guarded([&] {
        std::optional<std::filesystem::path> chosen =
            dialogs_->ChooseOpenFile(this, tr("Load map"), HaloMapTypes::HaloMap());
        if (!chosen) {
            return; // cancelled: the earlier map and everything shown stay
        }
        OpenMap(*chosen);
    });
    return false;
}

void MainWindow::OpenMap(const std::filesystem::path& path) {
    Guarded([&] {
        ScanForPlugins();
        {
            BusyCursor busy;
            map_.LoadMap(path); // on failure the earlier map stays loaded
        }
        FillTagList();
        setWindowTitle(tr("Pelmar") + " : " + FileNameText(map_.f));
        LbMapTags->setEnabled(true);
        LbTagChunks->setEnabled(true);
    });
}

void MainWindow::ScanForPlugins() {
    pluginsDic_.ScanForPlugins(pluginFolder_);
}

void MainWindow::FillTagList() {
    Solid = true; // the emptied chunk tree reports its empty selection, which disables BtnDup
    DeleteAllRows(LbTagChunks);
    DeleteAllRows(LbMapTags);
    for (const std::string& class1 : map_.TagClass) {
        if (pluginsDic_.HasPluginFor(class1)) {
            QTreeWidgetItem* row = AddFolder(LbMapTags, nullptr, BytesText(class1));
            SetCellTag(row, class1);
        }
    }
}

void MainWindow::LbMapTags_ExpandRow(QTreeWidgetItem* row) {
    const std::string class1 = CellTag(row);
    std::vector<std::string> names = map_.NamesOfClass(class1);
    std::sort(names.begin(), names.end());
    DropChildren(row);
    for (const std::string& name : names) {
        QTreeWidgetItem* tagRow = AddRow(LbMapTags, row, BytesText(name));
        SetCellTag(tagRow, class1 + ":" + name);
    }
}

void MainWindow::LbMapTags_CollapseRow(QTreeWidgetItem* row) {
    SetListIndex(LbMapTags, row);
    DropChildren(row);
}

} // namespace pelmar::app
