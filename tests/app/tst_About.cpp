// The About window: one instance, its fixed size, its picture and texts.

#include "app/About.h"
#include "app/AboutPicture.h"
#include "support/WindowHarness.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using pelmar::app::About;
using pelmar::apptest::WindowHarness;

namespace {

int AboutWindowCount() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<About*>(w) != nullptr) {
            ++count;
        }
    }
    return count;
}

} // namespace

class AboutTest : public QObject {
    Q_OBJECT
private slots:
    void ChoosingAboutTwiceGivesOneWindow();
    void ChoosingAboutAfterClosingShowsTheSameWindowAgain();
    void TheWindowHasAFixedSize();
    void ThePictureBesideTheProgramIsShown();
    void WithoutThePictureTheWindowStillOpens();
    void TheCreditLinesSitWhereDesigned();
};

void AboutTest::ChoosingAboutTwiceGivesOneWindow() {
    WindowHarness h;
    QCOMPARE(AboutWindowCount(), 0);
    h.window().MenuBar->AboutMenu->trigger();
    QPointer<About> first = h.window().AboutWindow();
    QVERIFY(first != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    h.window().MenuBar->AboutMenu->trigger();
    QCOMPARE(h.window().AboutWindow(), first);
    QCOMPARE(AboutWindowCount(), 1);
    QVERIFY(first->isVisible());
    QVERIFY(first->isWindow());
    QCOMPARE(h.dialogs().messages, QStringList());
}

void AboutTest::ChoosingAboutAfterClosingShowsTheSameWindowAgain() {
    WindowHarness h;
    h.window().MenuBar->AboutMenu->trigger();
    QPointer<About> first = h.window().AboutWindow();
    first->close();
    QVERIFY(!first->isVisible());
    h.window().MenuBar->AboutMenu->trigger();
    QCOMPARE(h.window().AboutWindow(), first);
    QVERIFY(first->isVisible());
    QCOMPARE(AboutWindowCount(), 1);
}

void AboutTest::TheWindowHasAFixedSize() {
    WindowHarness h;
    h.window().MenuBar->AboutMenu->trigger();
    About* about = h.window().AboutWindow();
    QCOMPARE(about->size(), QSize(300, 124));
    QCOMPARE(about->minimumSize(), QSize(300, 124));
    QCOMPARE(about->maximumSize(), QSize(300, 124));
    about->resize(500, 400);
    QCOMPARE(about->size(), QSize(300, 124));
    QVERIFY(!(about->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(about->windowFlags() & Qt::WindowCloseButtonHint);
}

void AboutTest::ThePictureBesideTheProgramIsShown() {
    QVERIFY2(!pelmar::app::AboutPicture().isNull(), qPrintable(pelmar::app::AboutPicturePath()));
    QCOMPARE(pelmar::app::AboutPicture().size(), QSize(184, 128));
    WindowHarness h;
    h.window().MenuBar->AboutMenu->trigger();
    About* about = h.window().AboutWindow();
    QCOMPARE(about->Canvas1->geometry(), QRect(0, -1, 184, 128));
    QCOMPARE(about->Canvas1->pixmap().size(), QSize(184, 128));
    QCOMPARE(about->Canvas1->focusPolicy(), Qt::NoFocus);
}

void AboutTest::WithoutThePictureTheWindowStillOpens() {
    About about{QImage()};
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(about.Canvas1->pixmap().isNull());
    QCOMPARE(about.Canvas1->geometry(), QRect(0, -1, 184, 128));
    QCOMPARE(about.StaticText1->text(), about.StaticText2->text());
    QVERIFY(!about.StaticText3->text().isEmpty());
}

void AboutTest::TheCreditLinesSitWhereDesigned() {
    About about{QImage()};
    QCOMPARE(about.StaticText1->geometry(), QRect(190, 0, 49, 20));
    QCOMPARE(about.StaticText2->geometry(), QRect(245, 21, 48, 20));
    QCOMPARE(about.StaticText3->geometry(), QRect(200, 53, 93, 20));
    for (QLabel* text : {about.StaticText1, about.StaticText2, about.StaticText3}) {
        QCOMPARE(text->font().pointSize(), 10);
        QVERIFY(!text->wordWrap());
        QVERIFY(text->alignment() & Qt::AlignLeft);
        // Every line fits the width it was given.
        QVERIFY2(text->fontMetrics().horizontalAdvance(text->text()) <= text->width(),
                 qPrintable(text->text()));
    }
}

QTEST_MAIN(AboutTest)
#include "tst_About.moc"
