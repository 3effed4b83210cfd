#include "engine/ReplayCommand.h"

// mkdtemp: <stdlib.h> on Linux, <unistd.h> on macOS.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

#include <nlohmann/json.hpp>

#include "advice/AdvicePlan.h"
#include "advice/NotificationContent.h"
#include "core/Formatting.h"
#include "core/JsonForms.h"
#include "engine/CommandLine.h"
#include "engine/MonitoringEngine.h"
#include "history/IncidentStore.h"

namespace tidemark {

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class ReplayError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Feeds the tick the recorded readings of one input line.
class RecordedSource final : public SampleSource {
public:
    LightweightSample lightweightSample() override { return m_sample; }
    SystemSnapshot capture(std::size_t limit) override {
        SystemSnapshot s;
        s.capturedAt = m_sample.capturedAt;
        s.pressure = m_sample.pressure;
        s.swapUsedBytes = m_sample.swapUsedBytes;
        s.physicalMemoryBytes = m_sample.physicalMemoryBytes;
        s.topApplications = m_applications;
        if (s.topApplications.size() > limit) {
            s.topApplications.resize(limit);
        }
        s.processListAvailable = true;
        return s;
    }
    void load(LightweightSample sample, std::vector<AppMemory> applications) {
        m_sample = sample;
        m_applications = std::move(applications);
    }

private:
    LightweightSample m_sample;
    std::vector<AppMemory> m_applications;
};

// A store in a fresh temporary directory, removed when the replay ends; an
// empty path when none can be made, and the history then stays in memory.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::error_code error;
        const fs::path temporary = fs::temp_directory_path(error);
        // A relative $TMPDIR would put the scratch files in the working directory.
        if (error || !temporary.is_absolute()) {
            return;
        }
        std::string pattern = (temporary / "tidemark-replay-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~ScratchDirectory() {
        if (!m_path.empty()) {
            std::error_code ec;
            fs::remove_all(m_path, ec);
        }
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

double requireSeconds(const json& object, const char* key) {
    const json& v = requireKey(object, key);
    if (!v.is_number()) {
        throw ReplayError(std::string("\"") + key + "\" is not a number of seconds");
    }
    return v.get<double>();
}

LightweightSample sampleFromLine(const json& line) {
    LightweightSample s;
    s.capturedAt = requireSeconds(line, "capturedAt");
    std::optional<Pressure> pressure = pressureFromString(requireString(line, "pressure"));
    if (!pressure) {
        throw ReplayError("\"pressure\" is not one of normal, warning, critical, unknown");
    }
    s.pressure = *pressure;
    s.swapUsedBytes = optionalUnsigned(line, "swapUsedBytes");
    s.physicalMemoryBytes = requireUnsigned(line, "physicalMemoryBytes");
    s.memoryUsedBytes = optionalUnsigned(line, "memoryUsedBytes");
    return s;
}

std::vector<AppMemory> applicationsFromLine(const json& line) {
    std::vector<AppMemory> apps;
    auto it = line.find("topApplications");
    if (it == line.end() || it->is_null()) {
        return apps;
    }
    if (!it->is_array()) {
        throw ReplayError("\"topApplications\" is not an array");
    }
    for (const json& app : *it) {
        apps.push_back(appMemoryFromJson(app));
    }
    return apps;
}

json optionalNumber(const std::optional<std::int64_t>& v) {
    return v ? json(*v) : json(nullptr);
}

json tickJson(const TickReport& report, const MonitoringEngine& engine) {
    json out = json::object();
    out["capturedAt"] = report.sample.capturedAt;
    out["score"] = report.assessment.score;
    out["level"] = std::string(toString(report.assessment.level));
    out["swapGrowthFiveMinutesBytes"] =
        optionalNumber(report.assessment.swapGrowthFiveMinutesBytes);
    out["pressureDuration"] = report.assessment.pressureDuration;
    out["summary"] = report.assessment.summary;
    out["alert"] = report.alert ? json(std::string(toString(*report.alert))) : json(nullptr);
    out["captured"] = report.captured;
    out["displayedLevel"] = std::string(toString(report.displayedLevel));
    out["isRecovering"] = engine.presentationPolicy().isRecovering;
    out["recovered"] = report.recovered;
    json plans = json::array();
    for (const AdvicePlan& plan : report.advicePlans) {
        plans.push_back(toJson(plan));
    }
    out["advicePlans"] = std::move(plans);
    if (report.alert) {
        NotificationContent content =
            notificationContent(*report.alert, false, firstPlan(report.advicePlans));
        out["notification"] = {
            {"identifier", content.identifier}, {"title", content.title}, {"body", content.body}};
    } else {
        out["notification"] = nullptr;
    }
    out["followUpPending"] = engine.adviceFollowUp().isPending();
    out["followUpMessage"] = engine.adviceFollowUp().message;
    return out;
}

// The tick needs its store from the first line on: the store is created
// with the first line's time as "now", as the application creates it at
// start-up.
class ReplaySession {
public:
    ReplaySession(std::optional<fs::path> incidentsPath)
        : m_incidentsPath(std::move(incidentsPath)) {}

    MonitoringEngine& engine(Timestamp now) {
        if (!m_engine) {
            fs::path file;
            if (m_incidentsPath) {
                file = *m_incidentsPath;
            } else {
                m_scratch = std::make_unique<ScratchDirectory>();
                if (!m_scratch->path().empty()) {
                    file = m_scratch->path() / "incidents.json";
                }
            }
            m_store = std::make_unique<IncidentStore>(file, m_calendar, now);
            m_engine = std::make_unique<MonitoringEngine>(m_source, *m_store);
        }
        return *m_engine;
    }
    RecordedSource& source() { return m_source; }

private:
    std::optional<fs::path> m_incidentsPath;
    LocalCalendar m_calendar;
    RecordedSource m_source;
    std::unique_ptr<ScratchDirectory> m_scratch;
    std::unique_ptr<IncidentStore> m_store;
    std::unique_ptr<MonitoringEngine> m_engine;
};

json processLine(ReplaySession& session, const std::string& text) {
    json line = json::parse(text, nullptr, false);
    if (line.is_discarded()) {
        throw ReplayError("not JSON");
    }
    if (!line.is_object()) {
        throw ReplayError("not a JSON object");
    }
    if (line.contains("event")) {
        const std::string event = requireString(line, "event");
        if (event != "confirm") {
            throw ReplayError("unknown event \"" + event + "\"");
        }
        MonitoringEngine& engine = session.engine(requireSeconds(line, "at"));
        engine.confirmAdvice(requireSeconds(line, "at"));
        return {{"event", "confirm"},
                {"followUpPending", engine.adviceFollowUp().isPending()},
                {"followUpMessage", engine.adviceFollowUp().message}};
    }
    LightweightSample sample = sampleFromLine(line);
    std::vector<AppMemory> apps = applicationsFromLine(line);
    MonitoringEngine& engine = session.engine(sample.capturedAt);
    session.source().load(sample, std::move(apps));
    TickReport report = engine.tick();
    return tickJson(report, engine);
}

bool isBlank(const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](unsigned char c) { return std::isspace(c); });
}

}  // namespace

int runReplayCommand(const CommandLine& commandLine, std::istream& standardInput, std::ostream& out,
                     std::ostream& err) {
    std::ifstream file;
    std::istream* input = &standardInput;
    if (commandLine.replayInput != "-") {
        file.open(commandLine.replayInput, std::ios::binary);
        if (!file) {
            err << "tidemark: cannot read " << replaceControlCharacters(commandLine.replayInput)
                << ": " << std::strerror(errno) << "\n";
            return 2;
        }
        input = &file;
    }

    std::optional<fs::path> incidents;
    if (commandLine.incidentsPath) {
        incidents = fs::path(*commandLine.incidentsPath);
    }
    ReplaySession session(incidents);
    std::string text;
    long lineNumber = 0;
    while (std::getline(*input, text)) {
        ++lineNumber;
        if (isBlank(text)) {
            continue;
        }
        try {
            out << compactJson(processLine(session, text)) << "\n";
        } catch (const std::exception& e) {
            out.flush();
            // The reason may quote the input; keep it on one line.
            err << "tidemark: line " << lineNumber << ": " << replaceControlCharacters(e.what())
                << "\n";
            return 2;
        }
    }
    out.flush();
    return 0;
}

}  // namespace tidemark
