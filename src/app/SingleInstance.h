#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace tidemark {

// One tray application per user and display: the first start holds a lock
// and listens on a local socket; a later start finds the lock taken, asks the
// running instance to show itself and ends. A lock left by a crashed
// instance is recognised by its dead process and taken over, and its socket
// file replaced.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    enum class Role { primary, secondary };

    // `directory` holds the lock and the socket; it should be private to the
    // user ($XDG_RUNTIME_DIR is).
    explicit SingleInstance(QString directory = defaultDirectory(),
                            QString session = defaultSession(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the primary instance, or, when one runs, asks it to show itself
    // (waiting at most about two seconds for it to answer) and returns
    // secondary. A primary that cannot listen still runs; it just cannot be
    // reached.
    Role claim();

    static QString defaultDirectory();
    // The display this session shows its tray on, so that sessions on two
    // displays each get their own instance.
    static QString defaultSession();

    QString socketPath() const { return m_socketPath; }

signals:
    // A later start asked this instance to show itself.
    void activationRequested();

private:
    bool askPrimaryToActivate();
    void acceptConnections();

    QString m_socketPath;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

}  // namespace tidemark
