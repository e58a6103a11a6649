#include "store/dbconnection.h"

#include <SDL.h>
#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <sstream>

namespace
{

char const* const kCreateTable =
    "create table if not exists scores "
    "\t\t\t\t\t\t\t"
    "   ( id INTEGER PRIMARY KEY, "
    "\t\t\t\t\t\t\t\t\t\t"
    " name TEXT, "
    "\t\t\t\t\t\t\t\t\t\t\t\t\t"
    " score INTEGER DEFAULT 0 "
    "\t\t\t\t\t\t\t\t\t\t"
    ")";

char const* const kBusyTimeout = "PRAGMA busy_timeout = 2000";

char const* const kSelectBest = "select name, score from scores order by score desc limit 3;";

void ReportError(char const* sqliteText, char const* reason)
{
    char first[1024];
    char text[1024];
    // SQLite may leave its message out (out of memory); never hand %s a null.
    SDL_snprintf(first, sizeof(first), "Datenbankfehler: %s", sqliteText ? sqliteText : "");
    SDL_snprintf(text, sizeof(text), "%s\nFehler: %s", first, reason);
    std::cerr << text << std::endl;
}

std::pair<std::string, std::string> ErrorRow()
{
    return {"Keine Highscore Anzeige!", "Fehler"};
}

// Rows written by other programs may hold text, reals or integers beyond int
// in `score`; clamp instead of wrapping.
int ScoreFromText(char const* text)
{
    if (!text)
        return 0;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (end != text && (*end == '.' || *end == 'e' || *end == 'E'))
    {
        // A real such as 1.0e+20: strtol alone would read only the 1.
        double real = std::strtod(text, nullptr);
        if (std::isnan(real))
            return 0;
        if (real >= static_cast<double>(INT_MAX))
            return INT_MAX;
        if (real <= static_cast<double>(INT_MIN))
            return INT_MIN;
        return static_cast<int>(real);
    }
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

int c_callback(void* pUser, int argc, char** argv, char** colNames)
{
    return static_cast<CDBConnection*>(pUser)->callback(argc, argv, colNames);
}

CDBConnection::CDBConnection() : m_pDB(nullptr) {}

CDBConnection::~CDBConnection()
{
    if (m_pDB)
        sqlite3_close(m_pDB);
    m_vHighScores.clear();
}

bool CDBConnection::OpenDB(char const* path)
{
    // A second open must not leak the first connection.
    if (m_pDB)
    {
        sqlite3_close(m_pDB);
        m_pDB = nullptr;
    }

    if (sqlite3_open(path, &m_pDB) != SQLITE_OK)
    {
        // The message belongs to the handle and dies with it: copy it first.
        std::string message = sqlite3_errmsg(m_pDB);
        sqlite3_close(m_pDB);
        // A handle whose open failed is unusable even if the close failed.
        m_pDB = nullptr;
        ReportError(message.c_str(), "SQLite Datenbankfehler");
        return false;
    }

    char* error = nullptr;
    // A backup, a parent looking with sqlite3 or a second game may hold the
    // file for a moment; waiting a little keeps the score from being lost.
    if (sqlite3_exec(m_pDB, kBusyTimeout, nullptr, nullptr, &error) != SQLITE_OK)
    {
        ReportError(error ? error : sqlite3_errmsg(m_pDB), "Kann Wartezeit der Datenbank nicht setzen");
        sqlite3_free(error);
        error = nullptr;
    }

    if (sqlite3_exec(m_pDB, kCreateTable, nullptr, nullptr, &error) != SQLITE_OK)
    {
        ReportError(error ? error : sqlite3_errmsg(m_pDB), "Kann Datenbanktabelle nicht anlegen");
        sqlite3_free(error);
    }
    return true;
}

std::string CDBConnection::SanitizeText(std::string text)
{
    std::string::size_type i = 0;
    while (i < text.length())
    {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isalnum(c) || c == ' ')
            ++i;
        else
            text.erase(i, 1);
    }
    if (text.empty())
        text = "noname";
    return text;
}

bool CDBConnection::WriteScore(std::string name, int score)
{
    if (!m_pDB)
        return false;

    std::ostringstream sql;
    sql << "insert into scores(name,score) values('" << SanitizeText(name) << "'," << score << ");";

    char* error = nullptr;
    if (sqlite3_exec(m_pDB, sql.str().c_str(), nullptr, nullptr, &error) != SQLITE_OK)
    {
        ReportError(error ? error : sqlite3_errmsg(m_pDB), "Kann Highscore nicht schreiben");
        sqlite3_free(error);
        return false;
    }
    return true;
}

std::vector<std::pair<std::string, std::string>> CDBConnection::ReadHighScore()
{
    m_vHighScores.clear();
    if (!m_pDB)
    {
        m_vHighScores.push_back(ErrorRow());
        return m_vHighScores;
    }

    char* error = nullptr;
    if (sqlite3_exec(m_pDB, kSelectBest, c_callback, this, &error) != SQLITE_OK)
    {
        ReportError(error ? error : sqlite3_errmsg(m_pDB), "Kann Highscore nicht ermitteln");
        sqlite3_free(error);
        m_vHighScores.clear();
        m_vHighScores.push_back(ErrorRow());
    }
    return m_vHighScores;
}

int CDBConnection::callback(int argc, char** argv, char** /*colNames*/)
{
    if (argc != 2 || !argv)
        return 0;

    // NULL columns come from foreign writers only; show them like an
    // unnamed player and a score of nothing.
    char name[20];
    SDL_snprintf(name, sizeof(name), "%s", argv[0] ? argv[0] : "noname");
    char score[20];
    SDL_snprintf(score, sizeof(score), ":   %07d", ScoreFromText(argv[1]));
    m_vHighScores.emplace_back(name, score);
    return 0;
}
