#include "app/HaloMapTypes.h"

namespace pelmar::app {

QString FileType::DialogFilter() const {
    QStringList patterns;
    for (const QString& extension : Extensions) {
        patterns << "*" + extension;
    }
    return Name + " (" + patterns.join(' ') + ")";
}

namespace HaloMapTypes {

const FileType& HaloMap() {
    static const FileType type{"HaloMap", {".map"}, "???", "???"};
    return type;
}

} // namespace HaloMapTypes

} // namespace pelmar::app
