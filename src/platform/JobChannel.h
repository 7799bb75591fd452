#pragma once

#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QLocalSocket;

namespace bg {

// How a later start of the tool hands its command-line job to the copy whose window is open,
// over a local socket: the sender writes one request, {quint32 version, QString command text},
// and waits for one reply, {qint32 exit status}, both as QDataStream (Qt 6.4) values.

// A job received from a later start: its command text and the way back to its sender.
class HandedJob
{
public:
    HandedJob() = default;
    HandedJob(const QString &commandText, QLocalSocket *sender);

    const QString &commandText() const { return m_commandText; }
    // False once the sender has gone: nobody waits for the job any more.
    bool senderWaits() const;
    // Sends the exit status to the waiting start and ends the connection; nothing when the
    // sender has gone.
    void reply(int exitStatus) const;

private:
    QString m_commandText;
    QPointer<QLocalSocket> m_sender;
};

// The receiving end, run by the copy with the window.
class JobServer : public QObject
{
    Q_OBJECT
public:
    explicit JobServer(QObject *parent = nullptr);
    ~JobServer() override;

    // Listens under name, a socket path in a directory of the user's own. A socket left behind
    // by a copy that ended is removed first; one that a running copy still answers is left
    // alone, and false returned.
    bool listen(const QString &name);

signals:
    void jobReceived(const bg::HandedJob &job);

private:
    void readRequest(QLocalSocket *socket);

    QLocalServer m_server;
};

// The sending end: hands the command text to the copy listening under serverName and waits,
// without limit, for its reply. Nothing when no copy answers, or when the connection ends
// before a reply comes (the job was not done there).
std::optional<int> handOverJob(const QString &serverName, const QString &commandText);

} // namespace bg
