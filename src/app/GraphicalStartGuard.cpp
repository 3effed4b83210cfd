#include "app/GraphicalStartGuard.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// One guard at a time, around the application object's construction, on
// the main thread; the handler has no other way to reach it.
QtMessageHandler g_previous = nullptr;
std::string g_refusedLine;
std::vector<HeldMessage> g_held;

bool isPlatformMessage(const QMessageLogContext& context) {
    return context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0;
}

void guardHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", g_refusedLine.c_str());
        std::fflush(stderr);
        std::_Exit(kNoGraphicalSessionStatus);
    }
    if (isPlatformMessage(context)) {
        g_held.push_back(
            {type, context.category, context.file, context.function, context.line, text});
        return;
    }
    if (g_previous) {
        g_previous(type, context, text);
    }
}

}  // namespace

GraphicalStartGuard::GraphicalStartGuard(std::string refusedLine) {
    g_refusedLine = std::move(refusedLine);
    g_held.clear();
    g_previous = qInstallMessageHandler(guardHandler);
}

GraphicalStartGuard::~GraphicalStartGuard() {
    qInstallMessageHandler(g_previous);
    if (!g_previous) {
        return;
    }
    for (const HeldMessage& held : std::exchange(g_held, {})) {
        const QMessageLogContext context(
            held.file.isEmpty() ? nullptr : held.file.constData(), held.line,
            held.function.isEmpty() ? nullptr : held.function.constData(),
            held.category.constData());
        g_previous(held.type, context, held.text);
    }
}

}  // namespace tidemark
