#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "freedesktop/DesktopEntries.h"

namespace {

namespace fs = std::filesystem;

// A desktop with `count` installed applications, each entry carrying the
// translations a distribution ships (a few kilobytes), each program on PATH.
class SyntheticDesktop {
public:
    explicit SyntheticDesktop(int count) {
        std::string pattern = (fs::temp_directory_path() / "tidemark-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            return;
        }
        m_root = pattern;
        fs::create_directories(m_root / "share/applications");
        fs::create_directories(m_root / "bin");
        for (int i = 0; i < count; ++i) {
            const std::string name = "app" + std::to_string(i);
            std::ofstream(m_root / "bin" / name) << "\x7f"
                                                    "ELF";
            ::chmod((m_root / "bin" / name).c_str(), 0755);
            std::ofstream entry(m_root / "share/applications" / (name + ".desktop"));
            entry << "[Desktop Entry]\nType=Application\nName=Application " << i << "\n";
            for (int lang = 0; lang < 40; ++lang) {
                entry << "Name[l" << lang << "]=Application " << i << " translated\n"
                      << "Comment[l" << lang << "]=Does something useful with your files\n";
            }
            entry << "Exec=" << name << " %U\nIcon=" << name << "\n";
        }
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
