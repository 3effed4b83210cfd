#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include "engine/Trace.h"

namespace tidemark {

namespace {

constexpr QByteArrayView kActivate = "activate\n";
constexpr QByteArrayView kAcknowledged = "ok\n";
// A request is one short line; a client sending more is not one of ours.
constexpr qint64 kMaximumRequestBytes = 64;
constexpr int kConnectTimeoutMilliseconds = 300;
constexpr int kConnectAttempts = 5;
constexpr int kReplyTimeoutMilliseconds = 500;

QString safeFileNamePart(const QString& text) {
    QString out;
    for (const QChar c : text) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'.';
        out += plain ? c : QChar(u'_');
    }
    return out.left(32);
}

}  // namespace

QString SingleInstance::defaultDirectory() {
    // $XDG_RUNTIME_DIR, or a private directory Qt creates when it is unset.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstance::defaultSession() {
    for (const char* variable : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty()) {
            return value;
        }
    }
    return {};
}

SingleInstance::SingleInstance(QString directory, QString session, QObject* parent)
    : QObject(parent),
      m_socketPath(QDir(directory).filePath(
          "tidemark" + (session.isEmpty() ? QString() : "-" + safeFileNamePart(session)) +
          ".socket")),
      m_lock(m_socketPath + ".lock") {
    // Held for the whole run: an age limit would hand a live instance's lock
    // to a later start. A crashed holder is still recognised by its dead
    // process id.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    if (m_server) {
        m_server->close();
    }
}

SingleInstance::Role SingleInstance::claim() {
    // Without a private directory (Qt refuses a runtime directory others can
    // enter) there is nowhere safe to meet: run unguarded.
    if (!QDir::isAbsolutePath(m_socketPath)) {
        return Role::primary;
    }
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError) {
            // Reaching the running instance is best effort: it may still be
            // starting, or be stuck; either way a second monitor must not
            // start.
            askPrimaryToActivate();
            return Role::secondary;
        }
        // No lock can be made here (no such directory, no permission): run
        // unguarded rather than not at all.
        return Role::primary;
    }
    // Only a dead instance can have left the socket file behind.
    QLocalServer::removeServer(m_socketPath);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        m_server.reset();
        return Role::primary;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    trace("listening for later starts");
    return Role::primary;
}

bool SingleInstance::askPrimaryToActivate() {
    QLocalSocket socket;
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(kConnectTimeoutMilliseconds)) {
            break;
        }
        socket.abort();
    }
    if (socket.state() != QLocalSocket::ConnectedState) {
        return false;
    }
    socket.write(kActivate.data(), kActivate.size());
    if (!socket.waitForBytesWritten(kReplyTimeoutMilliseconds)) {
        return false;
    }
    const bool answered = socket.waitForReadyRead(kReplyTimeoutMilliseconds) &&
                          socket.readAll() == kAcknowledged.toByteArray();
    socket.disconnectFromServer();
    return answered;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaximumRequestBytes) {
                    socket->abort();
                }
                return;
            }
            if (socket->readLine(kMaximumRequestBytes) != kActivate.toByteArray()) {
                socket->abort();
                return;
            }
            socket->write(kAcknowledged.data(), kAcknowledged.size());
            socket->flush();
            trace("activation requested");
            emit activationRequested();
        });
    }
}

}  // namespace tidemark
