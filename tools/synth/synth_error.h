#pragma once

#include <stdexcept>
#include <string>

// Any fault in a description or while writing its sound; the message is
// meant for the person who edits the description.
class CSynthError : public std::runtime_error
{
public:
    explicit CSynthError(const std::string& sMessage) : std::runtime_error(sMessage) {}
};
