#pragma once

#include <functional>
#include <string_view>

#include "settings/PreferenceStore.h"

namespace tidemark::LocalMonitoringConsent {

inline constexpr std::string_view preferenceKey = "localMonitoringConsent.v1";

enum class Answer { allow, quit };
using Dialog = std::function<Answer()>;

// The consent question as an application-modal message box; blocks until it
// is answered. Closing it any other way than with the allow button is quit.
Answer showDialog();

// True when monitoring may go on: consent was stored earlier, or `dialog`
// answers allow (then it is stored). A refusal stores nothing, so the
// question comes again at the next start.
bool requestIfNeeded(PreferenceStore& preferences, const Dialog& dialog = showDialog);

}  // namespace tidemark::LocalMonitoringConsent
