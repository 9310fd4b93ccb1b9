// The current moment in Unix seconds, corrected from the local clock by the time-zone
// biases. Everything that depends on the platform's time functions is in this file.
#include "messages/modDateFunctions.h"

#include "run/QbError.h"

#include <ctime>
#include <limits>

namespace {

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
qint64 daysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Seconds of a broken-down time counted from "Jan 01, 1970 00:00:00" of the same clock.
qint64 calendarSeconds(const std::tm &t)
{
    return daysFromCivil(qint64(t.tm_year) + 1900, t.tm_mon + 1, t.tm_mday) * 86400 + t.tm_hour * 3600 + t.tm_min * 60
        + t.tm_sec;
}

void localTime(std::time_t when, std::tm &out)
{
#ifdef _WIN32
    localtime_s(&out, &when);
#else
    localtime_r(&when, &out);
#endif
}

void readZone()
{
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
}

// Local time minus UTC, in seconds, at a moment.
qint64 utcOffsetAt(std::time_t when)
{
    std::tm local{};
    localTime(when, local);
    return calendarSeconds(local) - qint64(when);
}

qint32 checked(qint64 value)
{
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        throw QbError(QbErrNo::Overflow, QStringLiteral("Overflow"));
    return qint32(value);
}

} // namespace

qint32 GetTimeZoneOffset()
{
    readZone();
    // The zone's two offsets this year: the smaller one is standard time, the larger one
    // daylight-saving time (in either hemisphere).
    std::tm now{};
    localTime(std::time(nullptr), now);
    const qint64 year = qint64(now.tm_year) + 1900;
    const qint64 january = utcOffsetAt(std::time_t(daysFromCivil(year, 1, 15) * 86400 + 12 * 3600));
    const qint64 july = utcOffsetAt(std::time_t(daysFromCivil(year, 7, 15) * 86400 + 12 * 3600));
    const qint64 standardMinutes = qMin(january, july) / 60;
    const qint64 daylightMinutes = qMax(january, july) / 60;
    // Biases as the system keeps them: UTC = local time + bias.
    const qint64 standardBias = -standardMinutes;
    const qint64 daylightBias = -(daylightMinutes - standardMinutes);
    return checked((standardBias + daylightBias) * 60);
}

qint32 LocalDateTimeToUnixTime(int year, int month, int day, int hour, int minute, int second)
{
    const qint64 seconds = daysFromCivil(year, month, day) * 86400 + qint64(hour) * 3600 + qint64(minute) * 60 + second;
    return checked(checked(seconds) + qint64(GetTimeZoneOffset()));
}

qint32 CurrentUnixTime()
{
    readZone();
    std::tm now{};
    localTime(std::time(nullptr), now);
    return LocalDateTimeToUnixTime(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
}
