// The picture buttons of the dispatch window and the sheet's close image, as
// the keyboard and assistive tools reach them.
#include "dispatch/exporter.h"
#include "sheet/banner.h"
#include "sheet/feuillep.h"
#include "support/helpers.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

class PictureButtonsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void announcedAsButtons();
    void tabReachesThemInOrder();
    void keysAct();
    void focusShownFromTheStart();
    void sheetCloseImage();
};

namespace
{

struct Dispatch {
    QTemporaryDir dir;
    Exporter w{dir.path(), [] { return QStringLiteral("1. Oui\r\n"); }};
    Dispatch()
    {
        w.open();
        if (!QTest::qWaitForWindowActive(&w))
            qWarning("dispatch window not active");
    }
};

QImage look(QWidget* w)
{
    QApplication::processEvents();
    return w->grab().toImage();
}

} // namespace

void PictureButtonsTest::announcedAsButtons()
{
    Dispatch d;
    const struct {
        ImageButton* button;
        const char* name;
        const char* description;
    } wanted[] = {
        {d.w.Image1, "Annuler", "Fermer sans expédier"},
        {d.w.Image3, "Paramètres", "Paramètres"},
        {d.w.Image2, "Expédier", "Expédier"},
    };
    for (const auto& b : wanted) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b.button);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::Button);
        QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(b.name));
        QCOMPARE(a->text(QAccessible::Description), QString::fromUtf8(b.description));
        QVERIFY(a->state().focusable);
        QVERIFY(a->actionInterface());
        QVERIFY(a->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
    }
    // Pressing through the tool acts as a click: no server, so the warning.
    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QAccessible::queryAccessibleInterface(d.w.Image2)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Paramètre incorrect"));
}

void PictureButtonsTest::tabReachesThemInOrder()
{
    Dispatch d;
    // The sender line stays with the mouse: the keyboard has "Paramètres".
    QCOMPARE(d.w.Label5->focusPolicy(), Qt::NoFocus);
    // "Connexion…" closes the round, after the pictures.
    QWidget* order[] = {d.w.Image1, d.w.Image3, d.w.Image2, d.w.Connexion, d.w.Image1};
    QCOMPARE(QApplication::focusWidget(), d.w.Image1);
    for (size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), d.w.Connexion);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), d.w.Image2);
    // A click acts without taking the focus.
    QCOMPARE(d.w.Image1->focusPolicy(), Qt::TabFocus);
}

void PictureButtonsTest::keysAct()
{
    {
        Dispatch d;
        QTest::keyClick(d.w.Image1, Qt::Key_Tab); // to "Paramètres"
        QTest::keyClick(d.w.Image1, Qt::Key_Tab); // to "Expédier"
        MessageBox::reset();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::keyClick(d.w.Image2, Qt::Key_Space);
        QCOMPARE(MessageBox::count(), 1);
        QCOMPARE(MessageBox::last().title, QStringLiteral("Paramètre incorrect"));

        // Enter on "Paramètres" opens the settings window over it.
        QTest::keyClick(d.w.Image2, Qt::Key_Backtab);
        bool opened = false;
        onNextModal([&opened](QWidget* modal) {
            opened = modal->objectName() == QLatin1String("param");
            modal->close();
        });
        QTest::keyClick(d.w.Image3, Qt::Key_Return);
        QVERIFY(opened);
        QVERIFY(d.w.isVisible());
        // The focus comes back to the button when the window is active again.
        d.w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d.w));
        QCOMPARE(QApplication::focusWidget(), d.w.Image3);

        // Keypad Enter on "Annuler" closes the window.
        QTest::keyClick(d.w.Image3, Qt::Key_Backtab);
        QTest::keyClick(d.w.Image1, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(!d.w.isVisible());
        QCOMPARE(d.w.result(), int(QDialog::Rejected));
    }
    {
        // The focus the window gives on opening is drawn: Space acts at once.
        Dispatch d;
        QCOMPARE(QApplication::focusWidget(), d.w.Image1);
        QTest::keyClick(d.w.Image1, Qt::Key_Space);
        QVERIFY(!d.w.isVisible());
    }
}

void PictureButtonsTest::focusShownFromTheStart()
{
    // The focus the window gives on opening is drawn on that button alone.
    QImage before;
    {
        Dispatch d;
        for (ImageButton* b : {d.w.Image1, d.w.Image3, d.w.Image2})
            b->setFocusPolicy(Qt::NoFocus);
        d.w.setFocus();
        before = look(&d.w);
    }
    Dispatch d;
    QVERIFY(d.w.Image1->hasFocus());
    const QImage opened = look(&d.w);
    QRect changed;
    for (int y = 0; y < opened.height(); ++y)
        for (int x = 0; x < opened.width(); ++x)
            if (opened.pixel(x, y) != before.pixel(x, y))
                changed |= QRect(x, y, 1, 1);
    QVERIFY(!changed.isEmpty());
    QVERIFY2(d.w.Image1->geometry().contains(changed),
             qPrintable(QStringLiteral("changed %1,%2 %3x%4")
                            .arg(changed.x())
                            .arg(changed.y())
                            .arg(changed.width())
                            .arg(changed.height())));
}

void PictureButtonsTest::sheetCloseImage()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    settle(100);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w.Image1);
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::Button);
    QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Fermer"));

    // Tab reaches it after the last answer control; the focus does not start there.
    QVERIFY(QApplication::focusWidget() != w.Image1);
    QCOMPARE(w.Command2->nextInFocusChain(), static_cast<QWidget*>(w.Image1));
    const QImage unfocused = look(&w);
    QWidget* start = QApplication::focusWidget();
    QVERIFY(start);
    int steps = 0;
    while (QApplication::focusWidget() != w.Image1 && steps < 200) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ++steps;
    }
    QCOMPARE(QApplication::focusWidget(), w.Image1);
    const QImage focused = look(&w);
    QVERIFY(focused.copy(w.P2->geometry()) != unfocused.copy(w.P2->geometry()));

    // Space closes the sheet as a click on it does: Unload has run.
    bool ended = false;
    connect(&w, &feuillep::ended, this, [&ended] { ended = true; });
    QTest::keyClick(w.Image1, Qt::Key_Space);
    QVERIFY(ended);
}

QTEST_MAIN(PictureButtonsTest)
#include "tst_picturebuttons.moc"
