#include "history/IncidentStore.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <exception>

#include "core/Formatting.h"
#include "core/JsonForms.h"
#include "core/PrivateFiles.h"

namespace tidemark {

namespace fs = std::filesystem;

namespace {

constexpr char kLoadFailurePrefix[] = "最近记录无法读取：";

bool isAlertLevel(RiskLevel level) {
    return level == RiskLevel::warning || level == RiskLevel::critical;
}

void sortNewestFirst(std::vector<IncidentRecord>& records) {
    std::stable_sort(
        records.begin(), records.end(),
        [](const IncidentRecord& a, const IncidentRecord& b) { return a.startedAt > b.startedAt; });
}

std::vector<AppMemory> firstThree(const std::vector<AppMemory>& applications) {
    const size_t count = std::min<size_t>(applications.size(), 3);
    return {applications.begin(), applications.begin() + static_cast<std::ptrdiff_t>(count)};
}

}  // namespace

IncidentStore::IncidentStore(std::optional<fs::path> file, const Calendar& calendar, Timestamp now)
    : m_file(file ? std::move(*file) : defaultFilePath()), m_calendar(calendar) {
    if (isMemoryOnly()) {
        m_lastSaveErrorDescription = kMemoryOnlyDescription;
        return;
    }
    load(now);
    prune(now);
    bool marked = false;
    for (IncidentRecord& record : m_records) {
        if (record.isOpen()) {
            record.monitoringInterruptedAt = now;
            marked = true;
        }
    }
    if (marked) {
        save();
    }
}

IncidentStore::~IncidentStore() {
    if (m_saveHeld) {
        m_saveHolds = 0;
        save();
    }
}

fs::path IncidentStore::defaultFilePath() {
    const fs::path dataHome = xdgDataHome();
    return dataHome.empty() ? fs::path() : dataHome / "tidemark" / "incidents.json";
}

void IncidentStore::load(Timestamp now) {
    FileReadResult file = readRegularFile(m_file, kMaximumFileBytes);
    if (file.status == FileReadResult::Status::missing) {
        return;
    }
    std::string failure;
    if (file.status == FileReadResult::Status::failed) {
        failure = file.errorDescription;
    } else {
        try {
            std::vector<IncidentRecord> records = decodeIncidentFile(file.content);
            sortNewestFirst(records);
            m_records = std::move(records);
            return;
        } catch (const std::exception& error) {
            failure = error.what();
        }
    }
    m_records.clear();
    m_lastSaveErrorDescription = kLoadFailurePrefix + replaceControlCharacters(failure);
    m_unreadableFileFoundAt = now;
}

void IncidentStore::prune(Timestamp referenceDate) {
    std::optional<Timestamp> cutoff = m_calendar.addingDays(referenceDate, -7);
    if (!cutoff) {
        return;
    }
    std::erase_if(m_records,
                  [&](const IncidentRecord& record) { return record.startedAt < *cutoff; });
    sortNewestFirst(m_records);
}

void IncidentStore::holdSaves() {
    ++m_saveHolds;
}

void IncidentStore::releaseSaves() {
    if (m_saveHolds > 0 && --m_saveHolds == 0 && m_saveHeld) {
        save();
    }
}

void IncidentStore::save() {
    if (isMemoryOnly()) {
        return;
    }
    if (m_saveHolds > 0) {
        m_saveHeld = true;
        return;
    }
    m_saveHeld = false;
    if (std::optional<std::string> error = createPrivateDirectories(m_file.parent_path())) {
        m_lastSaveErrorDescription = std::move(error);
        return;
    }
    std::string content;
    try {
        content = encodeIncidentFile(m_records);
    } catch (const std::exception& error) {
        m_lastSaveErrorDescription = error.what();
        return;
    }
    auto setAsideUnreadable = [this]() -> std::optional<std::string> {
        if (!m_unreadableFileFoundAt) {
            return std::nullopt;
        }
        std::optional<std::string> error =
            moveAside(m_file, unreadableSuffix(*m_unreadableFileFoundAt));
        if (!error) {
            m_unreadableFileFoundAt.reset();
        }
        return error;
    };
    if (std::optional<std::string> error =
            writeFileAtomically(m_file, content, setAsideUnreadable)) {
        m_lastSaveErrorDescription = std::move(error);
        return;
    }
    m_lastSaveErrorDescription.reset();
}

IncidentRecord* IncidentStore::firstOpenRecord() {
    auto it = std::find_if(m_records.begin(), m_records.end(),
                           [](const IncidentRecord& record) { return record.isOpen(); });
    return it == m_records.end() ? nullptr : &*it;
}

const IncidentRecord* IncidentStore::firstOpenRecord() const {
    return const_cast<IncidentStore*>(this)->firstOpenRecord();
}

bool IncidentStore::needsAlertSnapshot(RiskLevel level) const {
    if (!isAlertLevel(level)) {
        return false;
    }
    const IncidentRecord* open = firstOpenRecord();
    if (open == nullptr) {
        return true;
    }
    return level == RiskLevel::critical && open->highestLevel != RiskLevel::critical;
}

void IncidentStore::recordAlert(RiskLevel level, const std::vector<AppMemory>& applications,
                                Timestamp at) {
    if (!needsAlertSnapshot(level)) {
        return;
    }
    if (IncidentRecord* open = firstOpenRecord()) {
        open->highestLevel = RiskLevel::critical;
        // An escalation without a fresh ranking keeps the one from the start.
        if (!applications.empty()) {
            open->topApplications = firstThree(applications);
        }
    } else {
        IncidentRecord record;
        record.id = makeIncidentId();
        record.startedAt = at;
        record.highestLevel = level;
        record.topApplications = firstThree(applications);
        m_records.insert(m_records.begin(), std::move(record));
    }
    prune(at);
    save();
}

bool IncidentStore::recordKill(const IncidentKill& kill) {
    IncidentRecord* open = firstOpenRecord();
    if (open == nullptr) {
        return false;
    }
    open->kills.push_back(kill);
    save();
    return true;
}

void IncidentStore::recordRecovery(Timestamp at) {
    IncidentRecord* open = firstOpenRecord();
    if (open == nullptr) {
        return;
    }
    open->recoveredAt = at;
    prune(at);
    save();
}

void IncidentStore::clear() {
    m_records.clear();
    save();
}

}  // namespace tidemark
