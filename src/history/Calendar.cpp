#include "history/Calendar.h"

#include <cerrno>
#include <cmath>
#include <ctime>
#include <limits>

namespace tidemark {

std::optional<Timestamp> LocalCalendar::addingDays(Timestamp t, int days) const {
    if (!std::isfinite(t)) {
        return std::nullopt;
    }
    const double whole = std::floor(t);
    if (whole < static_cast<double>(std::numeric_limits<std::time_t>::min()) ||
        whole >= static_cast<double>(std::numeric_limits<std::time_t>::max())) {
        return std::nullopt;
    }
    const auto seconds = static_cast<std::time_t>(whole);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) {
        return std::nullopt;
    }
    const long long day = static_cast<long long>(local.tm_mday) + days;
    if (day < std::numeric_limits<int>::min() || day > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    local.tm_mday = static_cast<int>(day);
    // Let mktime decide whether daylight saving applies on the target day;
    // keeping the source day's flag would shift the wall-clock time by an hour.
    local.tm_isdst = -1;
    errno = 0;
    const std::time_t shifted = std::mktime(&local);
    if (shifted == static_cast<std::time_t>(-1) && errno != 0) {
        return std::nullopt;
    }
    return static_cast<Timestamp>(shifted) + (t - whole);
}

}  // namespace tidemark
