#pragma once

namespace tidemark {

// Starts the tray application and runs its event loop.
int runGui(int argc, char** argv);

}  // namespace tidemark
