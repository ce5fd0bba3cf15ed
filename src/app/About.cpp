#include "app/About.h"

#include "app/AppFonts.h"

#include <QLabel>
#include <QPixmap>

namespace pelmar::app {

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 124;

QLabel* MakeCanvas(QWidget* window, const QImage& picture) {
    auto* canvas = new QLabel(window);
    canvas->setObjectName("Canvas1");
    canvas->setGeometry(0, -1, 184, 128);
    canvas->setFocusPolicy(Qt::NoFocus);
    canvas->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (picture.isNull()) {
        // No picture beside the program: a quiet panel keeps the layout as designed.
        canvas->setAutoFillBackground(true);
        canvas->setBackgroundRole(QPalette::Mid);
    } else {
        canvas->setPixmap(QPixmap::fromImage(picture));
    }
    return canvas;
}

QLabel* MakeText(QWidget* window, const char* name, const QString& text, const QRect& where) {
    auto* label = new QLabel(text, window);
    label->setObjectName(name);
    label->setGeometry(where);
    label->setFont(ControlFont());
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setWordWrap(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

} // namespace

About::About(const QImage& picture, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint | Qt::CustomizeWindowHint),
      Canvas1(MakeCanvas(this, picture)),
      StaticText1(MakeText(this, "StaticText1", tr("Pelmar"), QRect(190, 0, 49, 20))),
      StaticText2(MakeText(this, "StaticText2", tr("Pelmar"), QRect(245, 21, 48, 20))),
      StaticText3(MakeText(this, "StaticText3", tr("Version %1").arg(PELMAR_VERSION),
                           QRect(200, 53, 93, 20))) {
    setObjectName("About");
    setWindowTitle(tr("About Pelmar"));
    setFixedSize(kWidth, kHeight);
    // Closing the credits never ends the program, and the window is kept for the next time.
    setAttribute(Qt::WA_QuitOnClose, false);
}

} // namespace pelmar::app
