#pragma once

#include <QSettings>

namespace pelmar::app {

// The program's settings, kept where the platform keeps a user's settings.
class AppSettings : public QSettings {
public:
    AppSettings() : QSettings(QSettings::UserScope, "Pelmar", "Pelmar") {}

    static constexpr char kGeometry[] = "window/geometry";
    static constexpr char kPanes[] = "window/panes";
    static constexpr char kRelocation[] = "edit/relocation"; // "auto", "precise" or "scan"
    static constexpr char kRecentMaps[] = "file/recentMaps"; // newest first
};

} // namespace pelmar::app
