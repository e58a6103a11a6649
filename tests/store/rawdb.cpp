#include "tests/store/rawdb.h"

#include <sqlite3.h>

#include <stdexcept>

char const* const kRawNull = "<NULL>";

namespace
{

int Collect(void* user, int argc, char** argv, char** /*names*/)
{
    auto* rows = static_cast<RawRows*>(user);
    rows->emplace_back();
    for (int i = 0; i < argc; ++i)
        rows->back().push_back(argv[i] ? argv[i] : kRawNull);
    return 0;
}

void Run(sqlite3* db, std::string const& sql, RawRows* rows)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), rows ? Collect : nullptr, rows, &error) != SQLITE_OK)
    {
        std::string text = error ? error : sqlite3_errmsg(db);
        sqlite3_free(error);
        throw std::runtime_error("raw sqlite: " + text + " in: " + sql);
    }
}

} // namespace

sqlite3* RawOpen(std::string const& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
    {
        std::string text = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error("raw open " + path + ": " + text);
    }
    return db;
}

void RawClose(sqlite3* db)
{
    sqlite3_close(db);
}

void RawExec(sqlite3* db, std::string const& sql)
{
    Run(db, sql, nullptr);
}

RawRows RawQuery(sqlite3* db, std::string const& sql)
{
    RawRows rows;
    Run(db, sql, &rows);
    return rows;
}

void RawExec(std::string const& path, std::string const& sql)
{
    sqlite3* db = RawOpen(path);
    try
    {
        RawExec(db, sql);
    }
    catch (...)
    {
        RawClose(db);
        throw;
    }
    RawClose(db);
}

RawRows RawQuery(std::string const& path, std::string const& sql)
{
    sqlite3* db = RawOpen(path);
    RawRows rows;
    try
    {
        rows = RawQuery(db, sql);
    }
    catch (...)
    {
        RawClose(db);
        throw;
    }
    RawClose(db);
    return rows;
}
