#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/singleton.h"

struct sqlite3;

// The high-score file: one row per finished game, the best three for display.
class CDBConnection : public TSingleton<CDBConnection>
{
public:
    CDBConnection();
    virtual ~CDBConnection();

    bool OpenDB(char const* path);
    std::string SanitizeText(std::string text);
    bool WriteScore(std::string name, int score);
    std::vector<std::pair<std::string, std::string>> ReadHighScore();

    // One row of the high-score select; always 0 so the query runs to its end.
    int callback(int argc, char** argv, char** colNames);

private:
    sqlite3* m_pDB;
    std::vector<std::pair<std::string, std::string>> m_vHighScores;
};

// Row callback for sqlite3_exec; the user pointer is the CDBConnection.
int c_callback(void* pUser, int argc, char** argv, char** colNames);
