// The filterable list from which Import tag... picks a tag.

#include "app/ListChooserDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using pelmar::app::ListChooserDialog;

namespace {

const QStringList kChoices = {"bipd:characters\\cyborg\\cyborg", "effe:effects\\muzzle flash",
                              "weap:weapons\\pistol\\pistol", "proj:weapons\\pistol\\bullet"};

QStringList ShownTexts(const ListChooserDialog& dialog) {
    QStringList shown;
    for (int i = 0; i < dialog.list()->count(); ++i) {
        if (!dialog.list()->item(i)->isHidden()) {
            shown << dialog.list()->item(i)->text();
        }
    }
    return shown;
}

} // namespace

class ListChooserTest : public QObject {
    Q_OBJECT
private slots:
    void EveryEntryIsShownAtFirstAndNoneChosen();
    void TypingNarrowsTheListToEntriesWithEveryWord();
    void TheChosenIndexIsThatOfTheOriginalList();
    void NothingMatchingLeavesNothingToChoose();
    void MatchesIgnoresCaseAndWordOrder();
};

void ListChooserTest::EveryEntryIsShownAtFirstAndNoneChosen() {
    ListChooserDialog dialog("Import tag", "Tag:", kChoices);
    QCOMPARE(ShownTexts(dialog), kChoices);
    QVERIFY(!dialog.ChosenIndex().has_value());
    QVERIFY(!dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
}

void ListChooserTest::TypingNarrowsTheListToEntriesWithEveryWord() {
    ListChooserDialog dialog("Import tag", "Tag:", kChoices);
    dialog.show();
    QTest::keyClicks(dialog.filterField(), "pistol");
    QCOMPARE(ShownTexts(dialog),
             QStringList({"weap:weapons\\pistol\\pistol", "proj:weapons\\pistol\\bullet"}));
    QTest::keyClicks(dialog.filterField(), " PROJ");
    QCOMPARE(ShownTexts(dialog), QStringList({"proj:weapons\\pistol\\bullet"}));
    dialog.filterField()->clear();
    QCOMPARE(ShownTexts(dialog), kChoices);
}

void ListChooserTest::TheChosenIndexIsThatOfTheOriginalList() {
    ListChooserDialog dialog("Import tag", "Tag:", kChoices);
    dialog.show();
    QTest::keyClicks(dialog.filterField(), "bullet");
    // The first shown entry is selected, so Enter picks what the user sees.
    QCOMPARE(dialog.ChosenIndex(), std::optional<int>(3));
    QVERIFY(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
    QTest::keyClick(dialog.filterField(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void ListChooserTest::NothingMatchingLeavesNothingToChoose() {
    ListChooserDialog dialog("Import tag", "Tag:", kChoices);
    dialog.show();
    dialog.list()->setCurrentRow(0);
    QCOMPARE(dialog.ChosenIndex(), std::optional<int>(0));
    QTest::keyClicks(dialog.filterField(), "warthog");
    QCOMPARE(ShownTexts(dialog), QStringList());
    QVERIFY(!dialog.ChosenIndex().has_value());
    QVERIFY(!dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
}

void ListChooserTest::MatchesIgnoresCaseAndWordOrder() {
    QVERIFY(ListChooserDialog::Matches("weap:weapons\\pistol\\pistol", "PISTOL weap"));
    QVERIFY(ListChooserDialog::Matches("anything", "   "));
    QVERIFY(!ListChooserDialog::Matches("weap:weapons\\pistol\\pistol", "pistol rifle"));
}

QTEST_MAIN(ListChooserTest)
#include "tst_ListChooser.moc"
