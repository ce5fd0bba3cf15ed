// pelmar [MAP]: the desktop window, opening MAP at start when one is given.

#include "app/App.h"
#include "app/MainWindow.h"
#include "app/PathText.h"
#include "app/UserDialogs.h"

#include <CLI/CLI.hpp>
#include <QTimer>

#include <memory>

int main(int argc, char** argv) {
    pelmar::app::App app(argc, argv); // takes Qt's own options out of argv

    CLI::App options("Pelmar: view and edit the tags of a map file", "pelmar");
    std::string mapPath;
    options.add_option("MAP", mapPath, "Map file to open at start");
    options.set_version_flag("--version", PELMAR_VERSION);
    CLI11_PARSE(options, argc, argv);

    const std::filesystem::path pluginFolder =
        pelmar::app::PathFromText(QCoreApplication::applicationDirPath()) / "plugins";
    pelmar::app::MainWindow window(pluginFolder, std::make_shared<pelmar::app::QtUserDialogs>());
    window.show();
    if (!mapPath.empty()) {
        QTimer::singleShot(0, &window, [&window, mapPath] { window.OpenMap(mapPath); });
    }
    return app.exec();
}
