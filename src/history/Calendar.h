#pragma once

#include <optional>

#include "core/Models.h"

namespace tidemark {

// Calendar arithmetic for the history's cut-off. Abstract so that tests can
// pin a time zone or make a date unrepresentable.
class Calendar {
public:
    virtual ~Calendar() = default;
    // The same local wall-clock time `days` calendar days earlier (negative)
    // or later; absent when that date cannot be represented.
    virtual std::optional<Timestamp> addingDays(Timestamp t, int days) const = 0;
};

// The process time zone (TZ), as the rest of the desktop sees it. Across a
// daylight-saving change a calendar day is 23 or 25 hours long.
class LocalCalendar final : public Calendar {
public:
    std::optional<Timestamp> addingDays(Timestamp t, int days) const override;
};

}  // namespace tidemark
