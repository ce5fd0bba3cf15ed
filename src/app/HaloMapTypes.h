#pragma once

#include <QString>
#include <QStringList>

namespace pelmar::app {

// A kind of file that the open dialog offers.
struct FileType {
    QString Name;
    QStringList Extensions; // with the dot, e.g. ".map"
    QString MacType;
    QString MacCreator;

    // The filter for a file dialog, e.g. "HaloMap (*.map)".
    QString DialogFilter() const;
};

// The file types of the program: the map file.
namespace HaloMapTypes {
const FileType& HaloMap();
} // namespace HaloMapTypes

} // namespace pelmar::app
