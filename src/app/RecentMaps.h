#pragma once

#include <QStringList>

namespace pelmar::app {

// The maps opened last, newest first, kept in the settings.
namespace RecentMaps {

inline constexpr int kMost = 10;

// Puts `path` first (once), keeping at most kMost maps.
void Add(const QString& path);
// The maps that still exist; those that do not are dropped from the settings.
QStringList Existing();

} // namespace RecentMaps

} // namespace pelmar::app
