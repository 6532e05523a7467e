#include "storage/keyring.h"

#include <qt6keychain/keychain.h>

namespace
{

template <typename Job> Job* newJob(QObject* parent, const QString& key)
{
    auto* job = new Job(Keyring::service(), parent);
    job->setAutoDelete(true);
    // Never a file in place of the keyring.
    job->setInsecureFallback(false);
    job->setKey(key);
    return job;
}

Keyring::Result resultOf(const QKeychain::Job* job)
{
    switch (job->error()) {
    case QKeychain::NoError:
        return Keyring::Result::Done;
    case QKeychain::EntryNotFound:
        return Keyring::Result::NotFound;
    default:
        return Keyring::Result::Unavailable;
    }
}

} // namespace

Keyring::Keyring(QObject* parent) : QObject(parent) {}

QString Keyring::service()
{
    return QStringLiteral("Votre avis nous intéresse (courrier)");
}

QString Keyring::key(const QString& host, const QString& user)
{
    return QStringLiteral("smtp://") + user + QLatin1Char('@') + host.trimmed().toLower();
}

void Keyring::read(const QString& key, std::function<void(Result, const QString& password)> done)
{
    auto* job = newJob<QKeychain::ReadPasswordJob>(this, key);
    connect(job, &QKeychain::Job::finished, this, [job, done] {
        const Result r = resultOf(job);
        done(r, r == Result::Done ? job->textData() : QString());
    });
    job->start();
}

void Keyring::write(const QString& key, const QString& password,
                    std::function<void(Result, const QString& reason)> done)
{
    auto* job = newJob<QKeychain::WritePasswordJob>(this, key);
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [job, done] {
        const Result r = resultOf(job);
        done(r == Result::Done ? r : Result::Unavailable,
             r == Result::Done ? QString() : job->errorString());
    });
    job->start();
}

void Keyring::remove(const QString& key, std::function<void(Result)> done)
{
    auto* job = newJob<QKeychain::DeletePasswordJob>(this, key);
    connect(job, &QKeychain::Job::finished, this, [job, done] {
        done(resultOf(job));
    });
    job->start();
}
