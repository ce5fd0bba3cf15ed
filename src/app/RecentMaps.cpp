#include "app/RecentMaps.h"

#include "app/AppSettings.h"

#include <QFileInfo>

namespace pelmar::app::RecentMaps {

void Add(const QString& path) {
    AppSettings settings;
    QStringList maps = settings.value(AppSettings::kRecentMaps).toStringList();
    maps.removeAll(path);
    maps.prepend(path);
    settings.setValue(AppSettings::kRecentMaps, maps.mid(0, kMost));
}

QStringList Existing() {
    AppSettings settings;
    const QStringList maps = settings.value(AppSettings::kRecentMaps).toStringList();
    QStringList existing;
    for (const QString& path : maps) {
        if (QFileInfo(path).isFile()) {
            existing << path;
        }
    }
    if (existing != maps) {
        settings.setValue(AppSettings::kRecentMaps, existing);
    }
    return existing;
}

} // namespace pelmar::app::RecentMaps
