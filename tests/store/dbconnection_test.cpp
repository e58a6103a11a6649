#include "store/dbconnection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <functional>
#include <future>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/store/rawdb.h"
#include "tests/store/tempdir.h"

namespace
{

using Rows = std::vector<std::pair<std::string, std::string>>;

Rows const kErrorRows = {{"Keine Highscore Anzeige!", "Fehler"}};

// Everything the store writes to std::cerr while this is alive.
class CerrCapture
{
public:
    CerrCapture() : m_pOld(std::cerr.rdbuf(m_Buffer.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(m_pOld); }
    std::string Take()
    {
        std::string text = m_Buffer.str();
        m_Buffer.str("");
        return text;
    }

private:
    std::ostringstream m_Buffer;
    std::streambuf* m_pOld;
};

// SQLite keeps the create statement from the table name on, behind its own
// "CREATE TABLE "; the "if not exists" is shown by reopening an existing file.
std::string ExpectedSchemaSql()
{
    return "CREATE TABLE scores " + std::string(7, '\t') +
           "   ( id INTEGER PRIMARY KEY, " + std::string(10, '\t') + " name TEXT, " +
           std::string(13, '\t') + " score INTEGER DEFAULT 0 " + std::string(10, '\t') + ")";
}

std::string Report(std::string const& sqliteText, std::string const& reason)
{
    return "Datenbankfehler: " + sqliteText + "\nFehler: " + reason + "\n";
}

std::string ReadFile(std::string const& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CDBConnection* Store()
{
    return TSingleton<CDBConnection>::Get();
}

class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override { TSingleton<CDBConnection>::Destroy(); }
    void TearDown() override { TSingleton<CDBConnection>::Destroy(); }

    // Opens a fresh database in the scratch folder and expects silence.
    std::string OpenFresh()
    {
        std::string path = m_Dir.File("scores.db");
        CerrCapture err;
        EXPECT_TRUE(Store()->OpenDB(path.c_str()));
        EXPECT_EQ(err.Take(), "");
        return path;
    }

    TempDir m_Dir;
};

TEST_F(StoreTest, FreshFileGetsExactlyTheTableAndReadsEmpty)
{
    std::string path = OpenFresh();

    RawRows schema = RawQuery(path, "select type, name, sql from sqlite_master;");
    ASSERT_EQ(schema.size(), 1u);
    EXPECT_EQ(schema[0][0], "table");
    EXPECT_EQ(schema[0][1], "scores");
    EXPECT_EQ(schema[0][2], ExpectedSchemaSql());

    CerrCapture err;
    EXPECT_EQ(Store()->ReadHighScore(), Rows{});
    EXPECT_EQ(err.Take(), "");
}

TEST_F(StoreTest, ReopeningKeepsRowsAndTable)
{
    std::string path = OpenFresh();
    ASSERT_TRUE(Store()->WriteScore("Anna", 300));
    TSingleton<CDBConnection>::Destroy();

    CerrCapture err;
    ASSERT_TRUE(Store()->OpenDB(path.c_str()));
    EXPECT_EQ(Store()->ReadHighScore(), (Rows{{"Anna", ":   0000300"}}));
    EXPECT_EQ(err.Take(), "");
    EXPECT_EQ(RawQuery(path, "select count(*) from sqlite_master;")[0][0], "1");
}

struct SanitizeCase
{
    char const* label;
    std::string input;
    std::string expected;
};

TEST_F(StoreTest, SanitizingKeepsOnlyAsciiLettersDigitsAndSpaces)
{
    std::vector<SanitizeCase> const cases = {
        {"umlauts", "J\xC3\xB6rg-\xC3\x9C 1", "Jrg 1"},
        {"apostrophe semicolon hyphens", "a'b;--", "ab"},
        {"adjacent removals", "x'';;y", "xy"},
        {"removal at both ends", "'Zoe'", "Zoe"},
        {"only punctuation", "'-;.!?\"", "noname"},
        {"empty", "", "noname"},
        {"only spaces", "   ", "   "},
        {"other white space", "\tA\nB\r", "AB"},
        {"only multi-byte", "\xC3\x9F\xC3\xA4", "noname"},
        {"digits and case", "Max Mustermann 42", "Max Mustermann 42"},
    };

    std::string path = OpenFresh();
    for (size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE(cases[i].label);
        EXPECT_EQ(Store()->SanitizeText(cases[i].input), cases[i].expected);
        EXPECT_TRUE(Store()->WriteScore(cases[i].input, static_cast<int>(i)));
    }

    RawRows stored = RawQuery(path, "select name, score from scores order by id;");
    ASSERT_EQ(stored.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE(cases[i].label);
        EXPECT_EQ(stored[i][0], cases[i].expected);
        EXPECT_EQ(stored[i][1], std::to_string(i));
    }
}

TEST_F(StoreTest, BestThreeComeFirstWithTheirTexts)
{
    OpenFresh();
    CerrCapture err;
    ASSERT_TRUE(Store()->WriteScore("Ada", 50));
    ASSERT_TRUE(Store()->WriteScore("Ben", 400));
    ASSERT_TRUE(Store()->WriteScore("Cem", 300));
    ASSERT_TRUE(Store()->WriteScore("Dora", 200));

    Rows const expected = {{"Ben", ":   0000400"}, {"Cem", ":   0000300"}, {"Dora", ":   0000200"}};
    EXPECT_EQ(Store()->ReadHighScore(), expected);
    // Each read starts afresh instead of adding to the last one.
    EXPECT_EQ(Store()->ReadHighScore(), expected);
    EXPECT_EQ(err.Take(), "");
}

TEST_F(StoreTest, ScoreTexts)
{
    struct ScoreCase
    {
        int score;
        std::string text;
    };
    std::vector<ScoreCase> const cases = {
        {0, ":   0000000"},        {1200, ":   0001200"},        {12345678, ":   12345678"},
        {-5, ":   -000005"},        {INT_MAX, ":   2147483647"}, {INT_MIN, ":   -2147483648"},
    };
    for (ScoreCase const& c : cases)
    {
        SCOPED_TRACE(c.score);
        TSingleton<CDBConnection>::Destroy();
        TempDir dir;
        std::string path = dir.File("scores.db");
        ASSERT_TRUE(Store()->OpenDB(path.c_str()));
        ASSERT_TRUE(Store()->WriteScore("Eva", c.score));
        EXPECT_EQ(Store()->ReadHighScore(), (Rows{{"Eva", c.text}}));
        EXPECT_EQ(RawQuery(path, "select score from scores;")[0][0], std::to_string(c.score));
    }
    EXPECT_EQ(std::string(":   0001200").size(), 11u);
}

TEST_F(StoreTest, LongNameIsShownCutButStoredWhole)
{
    std::string path = OpenFresh();
    std::string const name = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    ASSERT_TRUE(Store()->WriteScore(name, 10));
    EXPECT_EQ(Store()->ReadHighScore(), (Rows{{"ABCDEFGHIJKLMNOPQRS", ":   0000010"}}));
    EXPECT_EQ(RawQuery(path, "select name from scores;")[0][0], name);
}

TEST_F(StoreTest, InjectionAttemptsAreStoredHarmlessly)
{
    std::vector<std::string> const names = {
        "x'); drop table scores; --",
        "' or '1'='1",
        "Bob\"; delete from scores; --",
        "a', 999999); --",
        "'||(select sql from sqlite_master)||'",
        "\\'; update scores set score=1; --",
    };
    std::string path = OpenFresh();
    CerrCapture err;
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_TRUE(Store()->WriteScore(names[i], static_cast<int>(i) + 1)) << names[i];
    EXPECT_EQ(err.Take(), "");

    RawRows schema = RawQuery(path, "select sql from sqlite_master;");
    ASSERT_EQ(schema.size(), 1u);
    EXPECT_EQ(schema[0][0], ExpectedSchemaSql());

    RawRows stored = RawQuery(path, "select name, score from scores order by id;");
    ASSERT_EQ(stored.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i)
    {
        EXPECT_EQ(stored[i][0], Store()->SanitizeText(names[i]));
        EXPECT_EQ(stored[i][0].find_first_of("'\";"), std::string::npos) << stored[i][0];
        EXPECT_EQ(stored[i][1], std::to_string(i + 1));
    }
}

// Rows planted by another program: the store must show something sensible
// for each and never stop the query or crash.
TEST_F(StoreTest, ForeignRowsGetSensibleTexts)
{
    struct ForeignCase
    {
        char const* label;
        std::string values; // SQL for (name, score)
        std::pair<std::string, std::string> shown;
    };
    std::vector<ForeignCase> const cases = {
        {"null name", "NULL, 5", {"noname", ":   0000005"}},
        {"null score", "'Ohne', NULL", {"Ohne", ":   0000000"}},
        {"both null", "NULL, NULL", {"noname", ":   0000000"}},
        {"text score", "'Text', 'abc'", {"Text", ":   0000000"}},
        {"digits then text", "'Halb', '12abc'", {"Halb", ":   0000012"}},
        {"above int", "'Gross', 99999999999", {"Gross", ":   2147483647"}},
        {"below int", "'Klein', -99999999999", {"Klein", ":   -2147483648"}},
        {"largest integer", "'Max', 9223372036854775807", {"Max", ":   2147483647"}},
        {"huge real", "'Reell', 1e20", {"Reell", ":   2147483647"}},
        {"fraction", "'Bruch', 250.7", {"Bruch", ":   0000250"}},
        {"blob name", "X'414243', 3", {"ABC", ":   0000003"}},
        {"very long name", "'" + std::string(100000, 'w') + "', 1", {std::string(19, 'w'), ":   0000001"}},
    };
    for (ForeignCase const& c : cases)
    {
        SCOPED_TRACE(c.label);
        TSingleton<CDBConnection>::Destroy();
        TempDir dir;
        std::string path = dir.File("scores.db");
        ASSERT_TRUE(Store()->OpenDB(path.c_str()));
        RawExec(path, "insert into scores(name, score) values(" + c.values + ");");
        CerrCapture err;
        EXPECT_EQ(Store()->ReadHighScore(), Rows{c.shown});
        EXPECT_EQ(err.Take(), "");
    }
}

TEST_F(StoreTest, ForeignRowsDoNotStopTheQuery)
{
    std::string path = OpenFresh();
    RawExec(path,
            "insert into scores(name, score) values(NULL, 900);"
            "insert into scores(name, score) values('Mittel', 300);"
            "insert into scores(name, score) values('Leer', NULL);"
            "insert into scores(name, score) values('Gut', 500);");
    Rows const expected = {{"noname", ":   0000900"}, {"Gut", ":   0000500"}, {"Mittel", ":   0000300"}};
    EXPECT_EQ(Store()->ReadHighScore(), expected);
}

// One row of the failure table: what each step returns and writes to std::cerr.
struct FailureCase
{
    char const* label;
    // Prepares the folder; returns the path to open, or "" to never open.
    std::function<std::string(TempDir const&)> prepare;
    bool opened;
    std::string openErr;
    std::string writeErr;
    Rows read;
    std::string readErr;
};

std::ostream& operator<<(std::ostream& out, FailureCase const& c)
{
    return out << c.label;
}

class StoreFailureTest : public StoreTest, public ::testing::WithParamInterface<FailureCase>
{
};

std::string const kNotADatabase(4096, 'x');

std::vector<FailureCase> FailureCases()
{
    return {
        {"NoFolder",
         [](TempDir const& dir) { return dir.File("score/scores.db"); },
         false, Report("unable to open database file", "SQLite Datenbankfehler"),
         "", kErrorRows, ""},
        {"NotADatabase",
         [](TempDir const& dir) {
             std::ofstream(dir.File("scores.db"), std::ios::binary) << kNotADatabase;
             return dir.File("scores.db");
         },
         true, Report("file is not a database", "Kann Datenbanktabelle nicht anlegen"),
         Report("file is not a database", "Kann Highscore nicht schreiben"),
         kErrorRows, Report("file is not a database", "Kann Highscore nicht ermitteln")},
        {"ReadOnly",
         [](TempDir const& dir) {
             // Root ignores permission bits, so the file is made read-only in
             // a way SQLite itself enforces for everyone: a write version
             // above 2 in the header (offset 18) makes it open the file
             // read-only, while reading still works.
             std::string path = dir.File("scores.db");
             RawExec(path, "create table scores(id INTEGER PRIMARY KEY, name TEXT, score INTEGER DEFAULT 0);"
                           "insert into scores(name, score) values('Vorher', 77);");
             std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
             file.seekp(18);
             file.put(3);
             return path;
         },
         true, "", Report("attempt to write a readonly database", "Kann Highscore nicht schreiben"),
         Rows{{"Vorher", ":   0000077"}}, ""},
        {"NeverOpened",
         [](TempDir const&) { return std::string(); },
         false, "", "", kErrorRows, ""},
    };
}

TEST_P(StoreFailureTest, IsReportedAndSurvived)
{
    FailureCase const& c = GetParam();
    std::string path = c.prepare(m_Dir);
    std::string before = path.empty() ? "" : ReadFile(path);
    CerrCapture err;

    if (!path.empty())
    {
        EXPECT_EQ(Store()->OpenDB(path.c_str()), c.opened);
        EXPECT_EQ(err.Take(), c.openErr);
    }
    EXPECT_FALSE(Store()->WriteScore("Nach", 123));
    EXPECT_EQ(err.Take(), c.writeErr);
    EXPECT_EQ(Store()->ReadHighScore(), c.read);
    EXPECT_EQ(err.Take(), c.readErr);
    // Still the same answer the second time round.
    EXPECT_FALSE(Store()->WriteScore("Nach", 124));
    EXPECT_EQ(err.Take(), c.writeErr);

    if (!path.empty())
    {
        EXPECT_EQ(ReadFile(path), before) << "the failed store changed the file";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, StoreFailureTest, ::testing::ValuesIn(FailureCases()),
                         [](::testing::TestParamInfo<FailureCase> const& info) {
                             return std::string(info.param.label);
                         });

TEST_F(StoreTest, ShortLockByAnotherWriterIsWaitedOut)
{
    std::string path = OpenFresh();
    std::promise<void> locked;
    // Another program writing for a moment just as the game ends.
    std::thread other([&] {
        sqlite3* db = RawOpen(path);
        try
        {
            RawExec(db, "begin immediate; insert into scores(name, score) values('Andere', 10);");
        }
        catch (...)
        {
            locked.set_exception(std::current_exception());
            RawClose(db);
            return;
        }
        locked.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        RawExec(db, "commit;");
        RawClose(db);
    });
    try
    {
        locked.get_future().get();
    }
    catch (std::exception const& e)
    {
        other.join();
        FAIL() << "the other writer could not lock the file: " << e.what();
    }

    CerrCapture err;
    EXPECT_TRUE(Store()->WriteScore("Kind", 500));
    other.join();
    EXPECT_EQ(err.Take(), "");
    // Written after the other's commit, so behind it.
    EXPECT_EQ(RawQuery(path, "select name, score from scores order by id;"),
              (RawRows{{"Andere", "10"}, {"Kind", "500"}}));
}

TEST_F(StoreTest, LockedByAnotherWriterIsReportedAndTheGameGoesOn)
{
    std::string path = OpenFresh();
    sqlite3* other = RawOpen(path);
    CerrCapture err;

    // Another connection in the middle of a write transaction, for longer
    // than the store waits.
    RawExec(other, "begin immediate; insert into scores(name, score) values('Andere', 10);");
    EXPECT_FALSE(Store()->WriteScore("Kind", 500));
    EXPECT_EQ(err.Take(), Report("database is locked", "Kann Highscore nicht schreiben"));
    EXPECT_EQ(Store()->ReadHighScore(), Rows{});
    EXPECT_EQ(err.Take(), "");
    RawExec(other, "commit;");

    // Holding the file exclusively shuts out readers too.
    RawExec(other, "begin exclusive;");
    EXPECT_EQ(Store()->ReadHighScore(), kErrorRows);
    EXPECT_EQ(err.Take(), Report("database is locked", "Kann Highscore nicht ermitteln"));
    RawExec(other, "rollback;");
    RawClose(other);

    EXPECT_TRUE(Store()->WriteScore("Kind", 500));
    EXPECT_EQ(Store()->ReadHighScore(), (Rows{{"Kind", ":   0000500"}, {"Andere", ":   0000010"}}));
    EXPECT_EQ(err.Take(), "");
}

} // namespace
