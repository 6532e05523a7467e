#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What the QR codes of a printed sheet hold: its answer text, exactly as the
// e-mail of the same sheet carries it, with the date it was printed;
// compressed (zlib), cut into parts, and each part framed so that a scan
// gives it back whole or not at all:
//
//   "VANI"  version  sheet (8 bytes)  part  parts  check (4 bytes)  bytes…
//
// The sheet's eight bytes are shared by its parts; the check is the first
// four bytes of the SHA-256 of the whole compressed text, verified once the
// parts are put together.  Parts are numbered from 1.
namespace paperframe
{

constexpr int Version = 1;
constexpr int HeaderSize = 19;
constexpr int MaxParts = 255;
// A sheet's text never grows beyond this once uncompressed: a bound for
// what a forged code could claim.
constexpr int MaxText = 4 * 1024 * 1024;

struct Sheet {
    QDateTime printed; // UTC, to the millisecond
    QString text;      // the answer text, CR LF line ends
};

// The codes' contents for one sheet, each part at most `partSize` bytes of
// the compressed text.  Empty when it would need more than MaxParts codes.
QList<QByteArray> encode(const Sheet& sheet, const QByteArray& sheetId, int partSize);

struct Part {
    QByteArray sheet; // 8 bytes
    int index = 0;    // 1 to count
    int count = 0;
    QByteArray check; // 4 bytes
    QByteArray bytes;
};

// One code's content; none when it is not a part of ours.
std::optional<Part> parse(const QByteArray& content);

// The parts of one sheet put together.  `problem` says in French why not:
// « partie 2 sur 3 manquante », « somme de contrôle fausse »…
struct Joined {
    std::optional<Sheet> sheet;
    QString problem;
};
Joined join(const QList<Part>& parts);

} // namespace paperframe
