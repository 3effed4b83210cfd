#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tidemark {

// Reads one environment variable; nullptr when it is unset.
using EnvironmentReader = std::function<const char*(const char* name)>;

// The one line printed when the tray application is started outside a
// graphical session, naming what is missing and the headless alternative;
// nullopt when the environment names a session to try. A platform chosen
// explicitly (QT_QPA_PLATFORM) is left to decide for itself.
std::optional<std::string> missingGraphicalSessionLine(const EnvironmentReader& environment);

// The line printed when the session the environment names refused the
// connection. Values from the environment appear with control characters
// replaced, so they cannot forge terminal output.
std::string refusedGraphicalSessionLine(const EnvironmentReader& environment);

// The exit status of both cases.
inline constexpr int kNoGraphicalSessionStatus = 2;

}  // namespace tidemark
