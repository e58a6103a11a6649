#include <gtest/gtest.h>

#include <string>

#include "platform/myerror.h"
#include "platform/singleton.h"
#include "tests/support/capture.h"

namespace
{
struct Counter
{
    int constructed = 0;
    int destroyed = 0;
};
Counter g_Counter;

class CTestService : public TSingleton<CTestService>
{
public:
    CTestService() { ++g_Counter.constructed; }
    ~CTestService() override { ++g_Counter.destroyed; }
    int m_iValue = 7;
};
}

TEST(Singleton, CreatedOnFirstUseAndFreshAfterDestroy)
{
    g_Counter = Counter();
    CTestService* first = TSingleton<CTestService>::Get();
    EXPECT_EQ(first, TSingleton<CTestService>::Get());
    EXPECT_EQ(1, g_Counter.constructed);

    first->m_iValue = 42;
    TSingleton<CTestService>::Destroy();
    EXPECT_EQ(1, g_Counter.destroyed) << "Destroy must run the service's own destructor";
    TSingleton<CTestService>::Destroy();
    EXPECT_EQ(1, g_Counter.destroyed) << "a second Destroy does nothing";

    EXPECT_EQ(7, TSingleton<CTestService>::Get()->m_iValue) << "a new instance has its defaults";
    EXPECT_EQ(2, g_Counter.constructed);
    TSingleton<CTestService>::Destroy();
}

struct ErrorCase
{
    std::string message;
    std::string detail;
    std::string expected;
};

void PrintTo(const ErrorCase& c, std::ostream* os)
{
    *os << c.message.size() << " characters";
}

class ErrorReport : public ::testing::TestWithParam<ErrorCase>
{
};

TEST_P(ErrorReport, WritesTheFormattedTextToStandardError)
{
    const ErrorCase& c = GetParam();
    for (bool consoleOnly : {true, false})
    {
        // Without a display the box returns at once; the text still arrives.
        CaptureStderr capture;
        CMyError::PrintError(c.message.c_str(), c.detail.c_str(), consoleOnly);
        EXPECT_EQ(c.expected + "\n", capture.Text()) << "consoleOnly " << consoleOnly;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorReport,
    ::testing::Values(
        ErrorCase{"Videomode konnte nicht gesetzt werden!", "No video", "Videomode konnte nicht gesetzt werden!\nFehler: No video"},
        ErrorCase{"Meldung", "", "Meldung\nFehler: "},
        ErrorCase{"Fenstergröße konnte nicht ermittelt werden!", "x", "Fenstergröße konnte nicht ermittelt werden!\nFehler: x"},
        // 1100 characters of message: only the first 1023 of the whole text survive.
        ErrorCase{std::string(1100, 'm'), "detail", std::string(1023, 'm')},
        ErrorCase{std::string(1015, 'm'), "detail", std::string(1015, 'm') + "\nFehler:"}));

TEST(ErrorReportBox, BeforeTheWindowExistsTheBoxHasNoParent)
{
    // Creating the framework object on the way must not need a window.
    CaptureStderr capture;
    CMyError::PrintError("a", "b", false);
    EXPECT_EQ(nullptr, TSingleton<CFramework>::Get()->m_pWindow);
    EXPECT_EQ("a\nFehler: b\n", capture.Text());
}
