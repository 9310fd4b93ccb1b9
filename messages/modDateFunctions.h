#pragma once
#include <QtGlobal>
// The time-zone offset in seconds, positive west of Greenwich: (standard bias + daylight
// bias) * 60, from the C library's zone data; the daylight bias is always included.
qint32 GetTimeZoneOffset();
// The current local date-time counted in seconds from the local "Jan 01, 1970 00:00:00",
// plus GetTimeZoneOffset(). Throws QbError (6) outside the 32-bit range.
qint32 CurrentUnixTime();
// The same for a given local date-time: seconds from the local "Jan 01, 1970 00:00:00"
// plus GetTimeZoneOffset(). Throws QbError (6) outside the 32-bit range.
qint32 LocalDateTimeToUnixTime(int year, int month, int day, int hour, int minute, int second);
