#pragma once

#include <QImage>
#include <QString>

namespace pelmar::app {

// The file that holds the About picture: about.png beside the program.
QString AboutPicturePath();

// The About picture, read from AboutPicturePath() at its first use and kept for the rest of
// the run. A null image when the file is missing or unreadable.
const QImage& AboutPicture();

} // namespace pelmar::app
