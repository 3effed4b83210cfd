#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tidemark::bench {

// Writes a desktop with `count` installed applications under `root`: each
// entry in share/applications carries the translations a distribution ships
// (a few kilobytes), each program (bin/app<i>) is on PATH.
inline void writeSyntheticDesktop(const std::filesystem::path& root, int count) {
    namespace fs = std::filesystem;
    fs::create_directories(root / "share/applications");
    fs::create_directories(root / "bin");
    for (int i = 0; i < count; ++i) {
        const std::string name = "app" + std::to_string(i);
        std::ofstream(root / "bin" / name) << "\x7f"
                                              "ELF";
        ::chmod((root / "bin" / name).c_str(), 0755);
        std::ofstream entry(root / "share/applications" / (name + ".desktop"));
        entry << "[Desktop Entry]\nType=Application\nName=Application " << i << "\n";
        for (int lang = 0; lang < 40; ++lang) {
            entry << "Name[l" << lang << "]=Application " << i << " translated\n"
                  << "Comment[l" << lang << "]=Does something useful with your files\n";
        }
        entry << "Exec=" << name << " %U\nIcon=" << name << "\n";
    }
}

}  // namespace tidemark::bench
