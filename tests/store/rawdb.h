#pragma once

#include <string>
#include <vector>

struct sqlite3;

// Direct access for the tests, bypassing the store: to look at what it wrote
// and to plant rows and locks of other writers. Throws on any SQLite failure.
using RawRows = std::vector<std::vector<std::string>>;

// NULL values read back as this text.
extern char const* const kRawNull;

sqlite3* RawOpen(std::string const& path);
void RawClose(sqlite3* db);
void RawExec(sqlite3* db, std::string const& sql);
RawRows RawQuery(sqlite3* db, std::string const& sql);

// One-shot forms that open and close their own connection.
void RawExec(std::string const& path, std::string const& sql);
RawRows RawQuery(std::string const& path, std::string const& sql);
