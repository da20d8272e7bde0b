// A folder of its own for each test, removed afterwards, for tests that need real files.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

class TempDir
{
public:
    TempDir()
    {
        std::string pattern =
                (std::filesystem::temp_directory_path() / "talvo-test-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string file(const std::string &name) const { return (m_path / name).string(); }

    std::string write(const std::string &name, const std::string &bytes) const
    {
        std::ofstream(file(name), std::ios::binary) << bytes;
        return file(name);
    }

private:
    std::filesystem::path m_path;
};
