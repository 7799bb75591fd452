#include "platform/JobChannel.h"

#include <QDataStream>
#include <QLocalSocket>

namespace bg {

namespace {

constexpr quint32 ProtocolVersion = 1;
constexpr int ConnectTimeoutMs = 1000;

void prepare(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_6_4);
}

} // namespace

HandedJob::HandedJob(const QString &commandText, QLocalSocket *sender)
    : m_commandText(commandText), m_sender(sender)
{
}

bool HandedJob::senderWaits() const
{
    return m_sender && m_sender->state() == QLocalSocket::ConnectedState;
}

void HandedJob::reply(int exitStatus) const
{
    if (!senderWaits())
        return;
    QDataStream out(m_sender.data());
    prepare(out);
    out << qint32(exitStatus);
    // Whatever is still to be written goes out before the connection closes.
    m_sender->disconnectFromServer();
}

JobServer::JobServer(QObject *parent) : QObject(parent)
{
    // No socket options: with them Qt renames its socket over whatever has the name, a running
    // copy's included. The socket lies in the lock's directory, which only its user may enter.
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket] { readRequest(socket); });
        }
    });
}

JobServer::~JobServer() = default;

bool JobServer::listen(const QString &name)
{
    if (m_server.listen(name))
        return true;
    if (m_server.serverError() != QAbstractSocket::AddressInUseError)
        return false;
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(ConnectTimeoutMs))
        return false; // a running copy takes jobs there
    QLocalServer::removeServer(name);
    return m_server.listen(name);
}

void JobServer::readRequest(QLocalSocket *socket)
{
    QDataStream in(socket);
    prepare(in);
    in.startTransaction();
    quint32 version = 0;
    QString commandText;
    in >> version >> commandText;
    if (!in.commitTransaction())
        return; // the rest of the request is still on its way
    // A request of another version, or anything after the request, ends the connection
    // unanswered: the sender does the job itself.
    socket->disconnect(this);
    if (version != ProtocolVersion) {
        socket->disconnectFromServer();
        return;
    }
    emit jobReceived(HandedJob(commandText, socket));
}

std::optional<int> handOverJob(const QString &serverName, const QString &commandText)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return std::nullopt;
    {
        QDataStream out(&socket);
        prepare(out);
        out << ProtocolVersion << commandText;
    }
    socket.flush();
    QDataStream in(&socket);
    prepare(in);
    // The user may take any time over the questions the job asks.
    for (;;) {
        in.startTransaction();
        qint32 exitStatus = 0;
        in >> exitStatus;
        if (in.commitTransaction())
            return exitStatus;
        if (!socket.waitForReadyRead(-1))
            return std::nullopt;
    }
}

} // namespace bg
