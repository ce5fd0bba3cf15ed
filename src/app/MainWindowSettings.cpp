// What the window keeps between runs: its geometry and pane sizes, the relocation mode and the
// maps opened last (File > Recent maps).

#include "app/AppSettings.h"
#include "app/MainWindow.h"
#include "app/PathText.h"
#include "app/RecentMaps.h"

#include <QCloseEvent>

#include <array>

namespace pelmar::app {

namespace {

struct ModeName {
    RelocationMode mode;
    const char* name;
};
constexpr std::array<ModeName, 3> kModes{{{RelocationMode::Auto, "auto"},
                                          {RelocationMode::Precise, "precise"},
                                          {RelocationMode::Scan, "scan"}}};

} // namespace

void MainWindow::RestoreSettings() {
    const AppSettings settings;
    restoreGeometry(settings.value(AppSettings::kGeometry).toByteArray());
    Panes->restoreState(settings.value(AppSettings::kPanes).toByteArray());
    const QString mode = settings.value(AppSettings::kRelocation, "auto").toString();
    const QList<QAction*> items = MenuBar->Relocation->actions();
    for (size_t i = 0; i < kModes.size(); ++i) {
        if (mode == kModes[i].name) {
            items[static_cast<qsizetype>(i)]->setChecked(true);
        }
    }
    Relocation_Choose(MenuBar->Relocation->checkedAction());
    FillRecentMenu();
}

void MainWindow::SaveLayout() const {
    AppSettings settings;
    settings.setValue(AppSettings::kGeometry, saveGeometry());
    settings.setValue(AppSettings::kPanes, Panes->saveState());
}

// While a job runs, closing cancels it and the window closes once it is over.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (jobs_->Busy()) {
        closeWhenIdle_ = true;
        CancelJob();
        event->ignore();
        return;
    }
    SaveLayout();
    QMainWindow::closeEvent(event);
}

void MainWindow::Relocation_Choose(QAction* mode) {
    const auto at = static_cast<size_t>(MenuBar->Relocation->actions().indexOf(mode));
    if (at >= kModes.size()) {
        return;
    }
    session_->SetRelocationMode(kModes[at].mode);
    AppSettings().setValue(AppSettings::kRelocation, kModes[at].name);
    RelocationInfo->setText(tr("Relocation: %1").arg(mode->text().remove('&')));
}

void MainWindow::RememberMap(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    RecentMaps::Add(PathText(ec ? path : full));
    FillRecentMenu();
}

// The maps that still exist, newest first; choosing one opens it.
void MainWindow::FillRecentMenu() {
    QMenu* menu = MenuBar->RecentMenu;
    menu->clear();
    const QStringList maps = RecentMaps::Existing();
    for (int i = 0; i < maps.size(); ++i) {
        const QString path = maps[i];
        QAction* item =
            menu->addAction(tr("&%1 %2").arg(i + 1 < 10 ? QString::number(i + 1) : "0", path));
        connect(item, &QAction::triggered, this, [this, path] { OpenMap(PathFromText(path)); });
    }
    menu->setEnabled(!maps.isEmpty());
}

} // namespace pelmar::app
