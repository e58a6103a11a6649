#pragma once

#include <string>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

// A fresh directory that the test changes into and that is removed after,
// for code that reads and writes paths relative to the working directory.
class TempWorkDir
{
public:
    TempWorkDir()
    {
        char pattern[] = "/tmp/rf-test-XXXXXX";
        m_sPath = mkdtemp(pattern);
        m_sOld = std::filesystem::current_path().string();
        std::filesystem::current_path(m_sPath);
    }
    ~TempWorkDir()
    {
        std::filesystem::current_path(m_sOld);
        std::error_code ignored;
        std::filesystem::remove_all(m_sPath, ignored);
    }
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

    const std::string& Path() const { return m_sPath; }
    const std::string& Previous() const { return m_sOld; }

private:
    std::string m_sPath;
    std::string m_sOld;
};
