#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "SyntheticDesktop.h"
#include "freedesktop/DesktopEntries.h"

namespace {

namespace fs = std::filesystem;

// A synthetic desktop in a scratch directory of its own.
class SyntheticDesktop {
public:
    explicit SyntheticDesktop(int count) {
        std::string pattern = (fs::temp_directory_path() / "tidemark-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            return;
        }
        m_root = pattern;
        tidemark::bench::writeSyntheticDesktop(m_root, count);
    }
    ~SyntheticDesktop() {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    tidemark::DesktopEntryLocations locations() const {
        return {{(m_root / "share").string()}, {(m_root / "bin").string()}};
    }
    std::string program(int i) const {
        return (m_root / "bin" / ("app" + std::to_string(i))).string();
    }

private:
    fs::path m_root;
};

// What a capture pays for naming on a desktop with 300 applications: the
// index built once, then one lookup per group.
void BM_DesktopEntryIndex300Applications(benchmark::State& state) {
    const SyntheticDesktop desktop(300);
    const std::string program = desktop.program(150);
    for (auto _ : state) {
        const tidemark::DesktopEntryIndex index(desktop.locations());
        benchmark::DoNotOptimize(index.nameForExecutable(program));
    }
}
BENCHMARK(BM_DesktopEntryIndex300Applications)->Unit(benchmark::kMillisecond);

}  // namespace
