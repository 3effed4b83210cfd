// Runs a fuzz target over saved inputs without libFuzzer, so that any
// compiler (and the sanitizer build of the tests) replays the corpora: every
// argument is a file or a directory whose regular files are fed one by one.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << file << "\n";
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so that reading past its end is
    // caught by the address sanitizer as it would be under libFuzzer.
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path path = argv[i];
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(path, ec)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
        } else {
            files.push_back(path);
        }
    }
    if (files.empty()) {
        std::cerr << "usage: " << argv[0] << " CORPUS_DIRECTORY_OR_FILE...\n";
        return 2;
    }
    // A stable order, so that a failure names the same input on every run.
    std::sort(files.begin(), files.end());
    bool ok = true;
    for (const fs::path& file : files) {
        // Named first, so that a sanitizer report is followed back to its input.
        std::cout << file.string() << std::endl;
        ok = replay(file) && ok;
    }
    std::cout << files.size() << " inputs replayed\n";
    return ok ? 0 : 1;
}
