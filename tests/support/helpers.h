#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace testing
{

// Record 20 of TEMPO.SPC while the questionnaire is open, and after it.
constexpr int FlagOffset = 2432;
inline const QByteArray FlagOui("\x03\x00OUI", 5);
inline const QByteArray FlagNon("\x03\x00NON", 5);

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// A record-file record: length word and bytes, padded to 128 bytes.
QByteArray record(const QByteArray& text);

// Runs `answer` on the next modal window that appears (polling the
// application's active modal widget) and fails the test when none appears
// within timeoutMs.  Use before the call that shows it.  Message boxes are
// answered through MessageBox::setNextAnswer instead.
void onNextModal(std::function<void(QWidget*)> answer, int timeoutMs = 5000);

// Lets queued events and zero timers run for ms milliseconds.
void settle(int ms = 50);

} // namespace testing

namespace testing
{

// Runs a program as an unprivileged user (through setpriv when the tests run
// as root, who ignores permission bits) and returns its exit code, -1 when it
// could not run.  Use it for read-only media.
int runUnprivileged(const QString& program, const QStringList& arguments,
                    const QStringList& environment = {}, int timeoutMs = 30000);

// Makes a directory and its files readable, and nothing writable, by anyone.
void makeReadOnly(const QString& directory);

} // namespace testing

namespace testing
{
// Types text into a widget as key presses, accented and typographic
// characters included (QTest::keyClicks takes only ASCII).
void typeText(QWidget* widget, const QString& text);
} // namespace testing

namespace testing
{
// A PARANET.LST as the sibling program and « Paramètres » leave it: the
// publisher's web addresses, the sender's name, address and server, and the
// recipient.
QByteArray paranetFile(const QByteArray& name, const QByteArray& address, const QByteArray& server,
                       const QByteArray& recipient = "retour@tarvel.fr");
} // namespace testing
