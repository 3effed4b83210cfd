#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/Models.h"
#include "core/RiskAssessment.h"
#include "history/Calendar.h"
#include "history/IncidentRecord.h"

namespace tidemark {

// The seven-day history of incidents, persisted as one JSON file that is
// rewritten whole and atomically on every change. Storage failures never
// reach the caller as errors; they are kept in lastSaveErrorDescription and
// the in-memory history goes on being used.
class IncidentStore {
public:
    // Loads the file (the default location when `file` is absent), drops
    // records older than seven days before `now`, and marks incidents left
    // open by an earlier run as interrupted at `now`. `calendar` must outlive
    // the store. An empty path (also the default one, when there is no data
    // directory) keeps the history in memory only, which
    // lastSaveErrorDescription says from the start (kMemoryOnlyDescription).
    IncidentStore(std::optional<std::filesystem::path> file, const Calendar& calendar,
                  Timestamp now);
    // Writes what a hold kept back.
    ~IncidentStore();
    IncidentStore(const IncidentStore&) = delete;
    IncidentStore& operator=(const IncidentStore&) = delete;

    // $XDG_DATA_HOME/tidemark/incidents.json, or ~/.local/share/... when the
    // variable is unset, empty or relative; empty without either, never a
    // path relative to the working directory.
    static std::filesystem::path defaultFilePath();

    static constexpr char kMemoryOnlyDescription[] = "no data directory: history kept in memory";
    bool isMemoryOnly() const { return m_file.empty(); }

    const std::filesystem::path& filePath() const { return m_file; }
    // Newest first.
    const std::vector<IncidentRecord>& records() const { return m_records; }
    const std::optional<std::string>& lastSaveErrorDescription() const {
        return m_lastSaveErrorDescription;
    }

    // Whether recordAlert(level, ...) would open or escalate an incident, so
    // that the caller takes a fresh list of applications first.
    bool needsAlertSnapshot(RiskLevel level) const;
    // Opens an incident at warning or critical, or escalates the open one to
    // critical; anything else changes and writes nothing.
    void recordAlert(RiskLevel level, const std::vector<AppMemory>& applications, Timestamp at);
    // Adds a kill to the open incident; false (and nothing written) when
    // none is open.
    bool recordKill(const IncidentKill& kill);
    // Closes the open incident, if any.
    void recordRecovery(Timestamp at);
    void clear();
    void save();

    // While a hold lasts, changes are kept in memory (records() shows them)
    // and the file is written once the last hold ends: a warning can go out
    // before the write and its fsync, which under memory pressure may take
    // seconds. Each hold must be released once.
    void holdSaves();
    void releaseSaves();

    static constexpr std::size_t kMaximumFileBytes = 8 * 1024 * 1024;

private:
    void load(Timestamp now);
    void prune(Timestamp referenceDate);
    IncidentRecord* firstOpenRecord();
    const IncidentRecord* firstOpenRecord() const;

    std::filesystem::path m_file;
    const Calendar& m_calendar;
    std::vector<IncidentRecord> m_records;
    std::optional<std::string> m_lastSaveErrorDescription;
    // When the file could not be read it is kept under another name before
    // the first save would overwrite it: one bad byte must not cost a week
    // of history that someone may still want to recover.
    std::optional<Timestamp> m_unreadableFileFoundAt;
    int m_saveHolds = 0;
    bool m_saveHeld = false;
};

}  // namespace tidemark
