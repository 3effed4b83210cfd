#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

#include "engine/KillWatch.h"

namespace tidemark {

// The kills that are told on a bus rather than counted in a file:
// systemd-oomd's Killed and earlyoom -n's notification signal on the system
// bus, and a user unit's Result turning "oom-kill" on the session bus (the
// user manager sends it once subscribed). Missing buses or senders simply
// stay silent.
class KillBusListener final : public QObject {
    Q_OBJECT

public:
    explicit KillBusListener(std::function<void(KillSource)> onKill, QObject* parent = nullptr);

private slots:
    void oomdKilled(const QString& cgroup, const QString& reason);
    void earlyoomNotified(const QString& text);
    void unitPropertiesChanged(const QString& interface, const QVariantMap& changed,
                               const QStringList& invalidated);

private:
    std::function<void(KillSource)> m_onKill;
};

}  // namespace tidemark
