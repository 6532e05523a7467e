#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QSslSocket;
class QTimer;

// Finds how a mail server can be reached: connects to every candidate port
// at once and keeps the most secure one that answers, without waiting for a
// port that does not (a provider that blocks port 25 drops the connection
// silently).  The connected socket is handed over as it is, nothing sent, so
// the server sees one connection for the exchange.
class ServerProbe : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Pending,
        Connected,
        Refused,  // the host said no at once
        NoAnswer, // nothing within the budget
        HostNotFound,
        Failed, // any other socket error
    };

    struct Candidate {
        int tag = 0; // the caller's, for instance the connection mode
        quint16 port = 0;
        Outcome outcome = Outcome::Pending;
        QString error; // the socket's own words, for the details
    };

    explicit ServerProbe(QObject* parent = nullptr);
    ~ServerProbe() override;

    // candidates: most secure first.  budgetMs bounds the wait for the
    // candidates before the first that connected.
    void start(const QString& host, const QList<Candidate>& candidates, int budgetMs);
    void abort();

    // After finished(): the chosen candidate's index, -1 when none answered.
    int chosen() const { return m_chosen; }
    const QList<Candidate>& candidates() const { return m_candidates; }
    // The chosen candidate's connected socket, now the caller's.
    QSslSocket* takeSocket();

Q_SIGNALS:
    void finished();

private:
    void onConnected(int i);
    void onError(int i);
    void onBudgetOver();
    void decide(bool budgetOver);
    void finish(int chosen);

    QList<Candidate> m_candidates;
    QList<QSslSocket*> m_sockets;
    QTimer* m_budget;
    int m_chosen = -1;
    bool m_running = false;
};
