#include "app/AppFonts.h"

#include <QFontDatabase>

namespace pelmar::app {

QFont ControlFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(10);
    return font;
}

} // namespace pelmar::app
