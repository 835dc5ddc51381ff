#include "monitor/files/LocalClock.h"
#include "monitor/files/LogFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

// Sets TZ for one test and puts the previous zone back afterwards. The
// rules are written out, so that no zone file is needed.
class ZoneForTest {
public:
    explicit ZoneForTest(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneForTest()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ZoneForTest(const ZoneForTest&) = delete;
    ZoneForTest& operator=(const ZoneForTest&) = delete;

private:
    std::optional<std::string> m_old;
};

constexpr const char* Berlin = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr const char* LordHowe = "LHST-10:30LHDT-11,M10.1.0,M4.1.0";

// One instant in UTC, and the stamp with milliseconds it must give.
using Reading = std::pair<const char*, const char*>;

struct CrossingCase {
    std::string name;
    const char* zone;
    std::vector<Reading> readings;
};

void PrintTo(const CrossingCase& c, std::ostream* out)
{
    *out << c.name;
}

class LocalClockCrossingTest : public testing::TestWithParam<CrossingCase> {};

// One clock reads every instant of a row in turn, as the program reads its
// clock echo after echo, so a held offset must end exactly at the change.
TEST_P(LocalClockCrossingTest, StampsStayExactAcrossTheChange)
{
    const ZoneForTest zone(GetParam().zone);
    qint64 utcMs = 0;
    LocalClock clock([&utcMs] { return utcMs; });
    for (const auto& [utc, expected] : GetParam().readings) {
        const QDateTime instant = QDateTime::fromString(utc, Qt::ISODateWithMs);
        ASSERT_TRUE(instant.isValid()) << utc;
        utcMs = instant.toMSecsSinceEpoch();
        EXPECT_EQ(LogFormat::stampWithMilliseconds(clock.now()), expected) << "at " << utc;
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, LocalClockCrossingTest,
    testing::Values(
        CrossingCase{"SpringForward", Berlin,
                     {{"2026-03-29T00:30:00.000Z", "2026.03.29 01:30:00.0"},
                      {"2026-03-29T00:59:59.999Z", "2026.03.29 01:59:59.999"},
                      {"2026-03-29T01:00:00.000Z", "2026.03.29 03:00:00.0"},
                      {"2026-03-29T01:30:00.007Z", "2026.03.29 03:30:00.7"}}},
        CrossingCase{"FallBack", Berlin,
                     {{"2026-10-25T00:59:59.500Z", "2026.10.25 02:59:59.500"},
                      {"2026-10-25T01:00:00.000Z", "2026.10.25 02:00:00.0"},
                      {"2026-10-25T01:59:59.000Z", "2026.10.25 02:59:59.0"},
                      {"2026-10-25T02:00:00.000Z", "2026.10.25 03:00:00.0"}}},
        CrossingCase{"DaysPassBetweenReadings", Berlin,
                     {{"2026-03-28T12:00:00.000Z", "2026.03.28 13:00:00.0"},
                      {"2026-03-30T12:00:00.000Z", "2026.03.30 14:00:00.0"}}},
        CrossingCase{"ClockStepsBackOverTheChange", Berlin,
                     {{"2026-03-29T01:30:00.000Z", "2026.03.29 03:30:00.0"},
                      {"2026-03-29T00:30:00.000Z", "2026.03.29 01:30:00.0"}}},
        CrossingCase{"HalfHourChange", LordHowe,
                     {{"2026-04-04T14:59:59.000Z", "2026.04.05 01:59:59.0"},
                      {"2026-04-04T15:00:00.000Z", "2026.04.05 01:30:00.0"}}},
        CrossingCase{"BeforeTheEpoch", Berlin,
                     {{"1969-12-31T23:59:59.250Z", "1970.01.01 00:59:59.250"},
                      {"1970-01-01T00:00:00.000Z", "1970.01.01 01:00:00.0"}}}),
    [](const testing::TestParamInfo<CrossingCase>& info) { return info.param.name; });

// Whatever the zone, the clock agrees with the C library's local time.
TEST(LocalClock, AgreesWithTheSystemsLocalTime)
{
    const ZoneForTest zone(Berlin);
    LocalClock clock;
    const QDateTime now = clock.now();
    const QDateTime system = QDateTime::fromMSecsSinceEpoch(now.toMSecsSinceEpoch(), Qt::LocalTime);
    EXPECT_EQ(LogFormat::stampWithMilliseconds(now), LogFormat::stampWithMilliseconds(system));
}

} // namespace
