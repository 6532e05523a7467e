// The seam every modal box goes through: answers given in advance, boxes shown
// once they are used up, and the record of what was asked.
#include "support/shownbox.h"
#include "ui/messagebox.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScopedPointer>
#include <QTest>

using namespace testing;

class MessageBoxTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::reset(); }
    void cleanup() { MessageBox::reset(); }

    void answersAreTakenInOrder();
    void shownAgainOnceAnswersAreUsedUp();
    void recordsTheLastBox();
    void resetForgetsBoxesAndAnswers();
    void builtBoxMatchesItsRecord();
};

void MessageBoxTest::answersAreTakenInOrder()
{
    MessageBox::setNextAnswer(QMessageBox::No);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    QVERIFY(!MessageBox::question(nullptr, QStringLiteral("q1"), QStringLiteral("?")));
    QVERIFY(MessageBox::question(nullptr, QStringLiteral("q2"), QStringLiteral("?")));
    QCOMPARE(MessageBox::show(nullptr, QMessageBox::Warning, QStringLiteral("w"),
                              QStringLiteral("!"), QMessageBox::Ok | QMessageBox::Cancel),
             QMessageBox::Cancel);
    QCOMPARE(MessageBox::count(), 3);
    QCOMPARE(MessageBox::last().title, QStringLiteral("w"));
}

void MessageBoxTest::shownAgainOnceAnswersAreUsedUp()
{
    MessageBox::setNextAnswer(QMessageBox::Ok);
    ShownBox shown(
        [](QMessageBox* box) { QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton); });
    MessageBox::information(nullptr, QStringLiteral("first"), QStringLiteral("answered"));
    QVERIFY(!shown.seen());
    QCOMPARE(MessageBox::show(nullptr, QMessageBox::Question, QStringLiteral("second"),
                              QStringLiteral("shown"), QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Yes),
             QMessageBox::No);
    QVERIFY(shown.seen());
    QVERIFY(shown.wasActiveModal());
    QCOMPARE(MessageBox::count(), 2);
    QCOMPARE(MessageBox::last().title, QStringLiteral("second"));
}

void MessageBoxTest::recordsTheLastBox()
{
    MessageBox::setNextAnswer(QMessageBox::Ok);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    MessageBox::warning(nullptr, QStringLiteral("Attention"), QStringLiteral("avant"));
    MessageBox::critical(nullptr, QStringLiteral("Échec"), QStringLiteral("Le serveur a refusé."),
                         QStringLiteral("554 relais refusé"));
    const MessageBox::Record r = MessageBox::last();
    QCOMPARE(r.icon, QMessageBox::Critical);
    QCOMPARE(r.title, QStringLiteral("Échec"));
    QCOMPARE(r.text, QStringLiteral("Le serveur a refusé."));
    QCOMPARE(r.details, QStringLiteral("554 relais refusé"));
    QCOMPARE(r.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(r.defaultButton, QMessageBox::NoButton);

    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::question(nullptr, QStringLiteral("Question"), QStringLiteral("Oui ?"));
    const MessageBox::Record q = MessageBox::last();
    QCOMPARE(q.icon, QMessageBox::Question);
    QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(q.defaultButton, QMessageBox::Yes);
    QCOMPARE(q.details, QString());
    QCOMPARE(MessageBox::count(), 3);
}

void MessageBoxTest::resetForgetsBoxesAndAnswers()
{
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::information(nullptr, QStringLiteral("vu"), QStringLiteral("vu"));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::reset();
    QCOMPARE(MessageBox::count(), 0);
    QCOMPARE(MessageBox::last().title, QString());
    QCOMPARE(MessageBox::last().icon, QMessageBox::NoIcon);

    // The answer left over is gone: the next box shows.
    ShownBox shown([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QVERIFY(!MessageBox::question(nullptr, QStringLiteral("après"), QStringLiteral("?")));
    QVERIFY(shown.seen());
    QCOMPARE(MessageBox::count(), 1);
}

void MessageBoxTest::builtBoxMatchesItsRecord()
{
    MessageBox::Record r;
    r.icon = QMessageBox::Warning;
    r.title = QStringLiteral("Titre");
    r.text = QStringLiteral("Texte");
    r.details = QStringLiteral("Détails");
    r.buttons = QMessageBox::Ok | QMessageBox::Cancel;
    r.defaultButton = QMessageBox::Cancel;
    QScopedPointer<QMessageBox> box(MessageBox::build(nullptr, r));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->windowTitle(), r.title);
    QCOMPARE(box->text(), r.text);
    QCOMPARE(box->detailedText(), r.details);
    QCOMPARE(box->standardButtons(), r.buttons);
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::Cancel));

    r.details.clear();
    r.defaultButton = QMessageBox::NoButton;
    QScopedPointer<QMessageBox> plain(MessageBox::build(nullptr, r));
    QCOMPARE(plain->detailedText(), QString());

    // A server's refusal or a certificate's name holding markup is read as
    // it is written, never as large type or a link.
    r.text = QStringLiteral("<h1>Compte suspendu</h1><a href=\"http://evil.example\">ici</a>");
    r.informative = QStringLiteral("<b>CN=<i>x</i></b>");
    QScopedPointer<QMessageBox> outside(MessageBox::build(nullptr, r));
    outside->show();
    QStringList read;
    for (QLabel* label : outside->findChildren<QLabel*>())
        if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(label))
            read << a->text(QAccessible::Name);
    QVERIFY2(read.contains(r.text) && read.contains(r.informative), qPrintable(read.join(QLatin1Char('|'))));
}

QTEST_MAIN(MessageBoxTest)
#include "tst_messagebox.moc"
