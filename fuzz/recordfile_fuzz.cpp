// Arbitrary bytes as PARANET.LST or TEMPO.SPC.  Every record read must be
// what the record layout says, which keeps it inside its record and inside
// the file; writing records 3 to 5 (the settings) or record 20 (the running
// flag) must change no byte but their length words and texts, and never
// shorten the file.
#include "support.h"

#include "storage/paranet.h"
#include "storage/recordfile.h"
#include "storage/runningflag.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <utility>
#include <vector>

using fuzzsupport::cp1252Expected;

namespace
{

constexpr int Size = RecordFile::RecordSize;

QString directory()
{
    static QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    return dir.path();
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void replace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

// Record n as the layout defines it: the length word, at most 126, and the
// bytes of the text that the file holds.
QString expectedRecord(const QByteArray& file, int n)
{
    const qsizetype start = qsizetype(n - 1) * Size;
    if (file.size() < start + 2)
        return QString();
    const int word =
        static_cast<unsigned char>(file[start]) | static_cast<unsigned char>(file[start + 1]) << 8;
    const qsizetype length =
        std::min<qsizetype>(std::min(word, RecordFile::MaxText), file.size() - start - 2);
    return cp1252::decode(file.mid(start + 2, length));
}

void checkReads(const QString& path, const QByteArray& file)
{
    RecordFile records(path);
    FUZZ_CHECK(records.open());
    for (int n = 1; n <= 24; ++n) {
        QString text = QStringLiteral("not read");
        FUZZ_CHECK(records.read(n, &text));
        FUZZ_CHECK(text == expectedRecord(file, n));
    }
}

// Writes texts to their records in order, as one operation does, and checks
// the file afterwards against what those writes may change.
template <typename Write>
void checkWrites(const QString& path, const std::vector<std::pair<int, QString>>& texts,
                 Write write)
{
    const QByteArray before = contents(path);
    const bool written = write();
    const QByteArray after = contents(path);

    QByteArray expected = before;
    std::vector<bool> significant(before.size(), false);
    bool allFit = true;
    for (const auto& [n, text] : texts) {
        const QByteArray bytes = cp1252Expected(text);
        if (bytes.size() > RecordFile::MaxText) {
            allFit = false; // this record and those after it stay as they were
            break;
        }
        QByteArray record;
        record.append(char(bytes.size() & 0xFF));
        record.append(char(bytes.size() >> 8));
        record.append(bytes);
        const qsizetype start = qsizetype(n - 1) * Size;
        if (expected.size() < start + record.size()) {
            expected.resize(start + record.size(), '\0');
            significant.resize(expected.size(), false);
        }
        expected.replace(start, record.size(), record);
        std::fill(significant.begin() + start, significant.begin() + start + record.size(), true);
    }
    FUZZ_CHECK(written == allFit);
    FUZZ_CHECK(after.size() >= before.size());
    FUZZ_CHECK(after.size() == expected.size());
    for (qsizetype i = 0; i < after.size(); ++i) {
        // The gap made by extending a short file is the only free part.
        if (i < before.size() || significant[i])
            FUZZ_CHECK(after[i] == expected[i]);
    }
    checkReads(path, after);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const auto what = in.ConsumeIntegral<unsigned char>();
    QString texts[3];
    for (QString& text : texts)
        text = fuzzsupport::takeText(in, in.ConsumeIntegralInRange<size_t>(0, 140));
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    const QByteArray file(bytes.data(), qsizetype(bytes.size()));

    const QString dir = directory();
    const QString path = what & 1 ? runningflag::path(dir) : paranet::path(dir);
    replace(path, file);
    checkReads(path, file);

    const bool flag = what & 1;
    if (!flag) {
        paranet::DispatchSettings settings;
        FUZZ_CHECK(paranet::readDispatch(dir, &settings));
        FUZZ_CHECK(settings.expediteur == expectedRecord(file, paranet::Sender));
        FUZZ_CHECK(settings.adresse == expectedRecord(file, paranet::SenderAddress));
        FUZZ_CHECK(settings.serveur == expectedRecord(file, paranet::Server));
        FUZZ_CHECK(settings.destinataire == expectedRecord(file, paranet::Recipient));
    }
    if (!(what & 2))
        return 0;
    if (flag) {
        checkWrites(path, {{runningflag::Record, texts[0]}},
                    [&] { return runningflag::write(dir, texts[0]); });
    } else {
        checkWrites(path,
                    {{paranet::Sender, texts[0]},
                     {paranet::SenderAddress, texts[1]},
                     {paranet::Server, texts[2]}},
                    [&] { return paranet::writeSender(dir, texts[0], texts[1], texts[2]); });
    }
    return 0;
}
