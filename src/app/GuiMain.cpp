#include "app/GuiMain.h"

#include <QApplication>

namespace tidemark {

int runGui(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}

}  // namespace tidemark
