#include "dispatch/serverprobe.h"

#include <QSslSocket>
#include <QTimer>

ServerProbe::ServerProbe(QObject* parent) : QObject(parent), m_budget(new QTimer(this))
{
    m_budget->setSingleShot(true);
    connect(m_budget, &QTimer::timeout, this, &ServerProbe::onBudgetOver);
}

ServerProbe::~ServerProbe()
{
    abort();
}

void ServerProbe::start(const QString& host, const QList<Candidate>& candidates, int budgetMs)
{
    abort();
    m_candidates = candidates;
    m_chosen = -1;
    m_running = true;
    m_budget->start(budgetMs);
    for (int i = 0; i < m_candidates.size(); ++i) {
        m_candidates[i].outcome = Outcome::Pending;
        auto* s = new QSslSocket(this);
        m_sockets << s;
        connect(s, &QSslSocket::connected, this, [this, i] { onConnected(i); });
        connect(s, &QSslSocket::errorOccurred, this, [this, i] { onError(i); });
    }
    // Started once every socket is known: an error may come at once.
    for (int i = 0; i < m_sockets.size() && m_running; ++i)
        m_sockets[i]->connectToHost(host, m_candidates[i].port);
}

void ServerProbe::abort()
{
    m_running = false;
    m_budget->stop();
    for (QSslSocket* s : std::as_const(m_sockets)) {
        if (!s)
            continue;
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
    m_sockets.clear();
}

QSslSocket* ServerProbe::takeSocket()
{
    if (m_chosen < 0 || m_chosen >= m_sockets.size())
        return nullptr;
    QSslSocket* s = m_sockets[m_chosen];
    m_sockets[m_chosen] = nullptr;
    if (s) {
        s->disconnect(this);
        s->setParent(nullptr);
    }
    return s;
}

void ServerProbe::onConnected(int i)
{
    if (!m_running)
        return;
    m_candidates[i].outcome = Outcome::Connected;
    decide(false);
}

void ServerProbe::onError(int i)
{
    if (!m_running || m_candidates[i].outcome != Outcome::Pending)
        return;
    QSslSocket* s = m_sockets[i];
    switch (s->error()) {
    case QAbstractSocket::ConnectionRefusedError:
        m_candidates[i].outcome = Outcome::Refused;
        break;
    case QAbstractSocket::HostNotFoundError:
        m_candidates[i].outcome = Outcome::HostNotFound;
        break;
    default:
        m_candidates[i].outcome = Outcome::Failed;
        break;
    }
    m_candidates[i].error = s->errorString();
    decide(false);
}

void ServerProbe::onBudgetOver()
{
    if (!m_running)
        return;
    for (Candidate& c : m_candidates)
        if (c.outcome == Outcome::Pending)
            c.outcome = Outcome::NoAnswer;
    decide(true);
}

void ServerProbe::decide(bool budgetOver)
{
    // The first candidate still in the running decides: connected, it wins;
    // pending, it is waited for (until the budget is spent).
    for (int i = 0; i < m_candidates.size(); ++i) {
        const Outcome o = m_candidates[i].outcome;
        if (o == Outcome::Connected)
            return finish(i);
        if (o == Outcome::Pending && !budgetOver)
            return;
    }
    bool pending = false;
    for (const Candidate& c : std::as_const(m_candidates))
        pending = pending || c.outcome == Outcome::Pending;
    if (!pending)
        finish(-1);
}

void ServerProbe::finish(int chosen)
{
    m_chosen = chosen;
    QSslSocket* keep = chosen >= 0 ? m_sockets[chosen] : nullptr;
    m_running = false;
    m_budget->stop();
    for (QSslSocket* s : std::as_const(m_sockets)) {
        if (!s || s == keep)
            continue;
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
    for (QSslSocket*& s : m_sockets)
        if (s != keep)
            s = nullptr;
    Q_EMIT finished();
}
