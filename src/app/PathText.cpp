#include "app/PathText.h"

#include <QByteArray>
#include <QFile>

namespace pelmar::app {

QString FileNameText(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.filename().string()));
}

QString PathText(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

std::filesystem::path PathFromText(const QString& text) {
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

} // namespace pelmar::app
