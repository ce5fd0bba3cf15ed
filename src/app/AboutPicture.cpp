#include "app/AboutPicture.h"

#include <QCoreApplication>

namespace pelmar::app {

QString AboutPicturePath() {
    return QCoreApplication::applicationDirPath() + "/about.png";
}

const QImage& AboutPicture() {
    static const QImage picture(AboutPicturePath());
    return picture;
}

} // namespace pelmar::app
