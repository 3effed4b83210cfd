#pragma once

#include <filesystem>
#include <string>

namespace tidemark::test {

// A fresh directory under $TMPDIR, removed with everything in it at the end
// of the test (permissions are restored first so read-only cases clean up).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    static void writeFile(const std::filesystem::path& file, const std::string& content);
    static std::string readFile(const std::filesystem::path& file);

private:
    std::filesystem::path m_path;
};

}  // namespace tidemark::test
