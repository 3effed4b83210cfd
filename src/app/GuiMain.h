#pragma once

#include "engine/CommandLine.h"

namespace tidemark {

// Starts the tray application and runs its event loop. `argv` still holds
// the toolkit's own options, which it reads itself.
int runGui(int argc, char** argv, const TraySwitches& switches);

}  // namespace tidemark
