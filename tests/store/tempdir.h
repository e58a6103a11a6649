#pragma once

#include <string>

// A fresh folder under TMPDIR (or /tmp), removed with everything in it.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;

    std::string const& Path() const { return m_sPath; }
    std::string File(std::string const& name) const { return m_sPath + "/" + name; }

private:
    std::string m_sPath;
};
