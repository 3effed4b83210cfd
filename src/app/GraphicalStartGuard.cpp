#include "app/GraphicalStartGuard.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "core/GraphicalSession.h"

namespace tidemark {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category, file, function;
    int line;
    QString text;
};

// One guard at a time, around the application object's construction; the
// handler has no other way to reach it. Qt may log from its own threads.
QtMessageHandler g_previous = nullptr;
std::string g_refusedLine;
std::mutex g_heldMutex;
std::vector<HeldMessage> g_held;

void guardHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", g_refusedLine.c_str());
        std::fflush(stderr);
        std::_Exit(kNoGraphicalSessionStatus);
    }
    const std::lock_guard lock(g_heldMutex);
    g_held.push_back({type, context.category, context.file, context.function, context.line, text});
}

}  // namespace

GraphicalStartGuard::GraphicalStartGuard(std::string refusedLine) {
    g_refusedLine = std::move(refusedLine);
    g_held.clear();
    g_previous = qInstallMessageHandler(guardHandler);
}

GraphicalStartGuard::~GraphicalStartGuard() {
    qInstallMessageHandler(g_previous);
    std::vector<HeldMessage> held;
    {
        const std::lock_guard lock(g_heldMutex);
        held.swap(g_held);
    }
    if (!g_previous) {
        return;
    }
    for (const HeldMessage& m : held) {
        const QMessageLogContext context(m.file.isEmpty() ? nullptr : m.file.constData(), m.line,
                                         m.function.isEmpty() ? nullptr : m.function.constData(),
                                         m.category.constData());
        g_previous(m.type, context, m.text);
    }
}

}  // namespace tidemark
