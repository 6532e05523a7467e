#include "app/french.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

class FrenchTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void standardButtonsReadInFrench();
};

void FrenchTest::standardButtonsReadInFrench()
{
    QVERIFY(useFrench(qApp));
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Oui"));
    QCOMPARE(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Non"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')),
             QStringLiteral("Annuler"));
    QCOMPARE(QLocale().language(), QLocale::French);
}

QTEST_MAIN(FrenchTest)
#include "tst_french.moc"
