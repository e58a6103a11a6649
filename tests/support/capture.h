#pragma once

#include <iostream>
#include <sstream>
#include <string>

// Collects what is written to std::cerr while it lives.
class CaptureStderr
{
public:
    CaptureStderr() : m_pOld(std::cerr.rdbuf(m_Buffer.rdbuf())) {}
    ~CaptureStderr() { std::cerr.rdbuf(m_pOld); }
    CaptureStderr(const CaptureStderr&) = delete;
    CaptureStderr& operator=(const CaptureStderr&) = delete;

    std::string Text() const { return m_Buffer.str(); }

private:
    std::ostringstream m_Buffer;
    std::streambuf* m_pOld;
};
