#pragma once

#include <QFont>

namespace pelmar::app {

// The font of the lists and texts: the system's font at size 10.
QFont ControlFont();

} // namespace pelmar::app
