#pragma once

#include <istream>
#include <string>

#include "tools/synth/score.h"

// Reads a sound description; throws CSynthError with "<name>:<line>: ..."
// on the first fault.
CScore ParseScore(std::istream& input, const std::string& sName);
CScore ParseScoreFile(const std::string& sPath);
