#include "run/QbError.h"
#include "messages/modDateFunctions.h"

#include <QDateTime>
#include <QtTest>

#include <ctime>

class TestDateFunctions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void timeZoneOffset_data();
    void timeZoneOffset();
    void currentUnixTime_data();
    void currentUnixTime();
    void localDateTimes_data();
    void localDateTimes();
    void overflow();

private:
    void useZone(const QByteArray &tz);
    QByteArray savedTz;
    bool hadTz = false;
};

void TestDateFunctions::useZone(const QByteArray &tz)
{
    qputenv("TZ", tz);
    tzset();
}

void TestDateFunctions::initTestCase()
{
    hadTz = qEnvironmentVariableIsSet("TZ");
    savedTz = qgetenv("TZ");
}

void TestDateFunctions::cleanupTestCase()
{
    if (hadTz)
        qputenv("TZ", savedTz);
    else
        qunsetenv("TZ");
    tzset();
}

void TestDateFunctions::timeZoneOffset_data()
{
    QTest::addColumn<QByteArray>("tz");
    QTest::addColumn<int>("offset");
    QTest::newRow("UTC") << QByteArray("UTC0") << 0;
    QTest::newRow("five hours east, no summer time") << QByteArray("XYZ-5") << -18000;
    QTest::newRow("three hours west") << QByteArray("ABC+3") << 10800;
    QTest::newRow("Nepal") << QByteArray("NPT-5:45") << -20700;
    QTest::newRow("central Europe") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << -7200;
    QTest::newRow("US east") << QByteArray("EST5EDT,M3.2.0,M11.1.0") << 14400;
    QTest::newRow("southern hemisphere") << QByteArray("AEST-10AEDT,M10.1.0,M4.1.0/3") << -39600;
}

void TestDateFunctions::timeZoneOffset()
{
    QFETCH(QByteArray, tz);
    QFETCH(int, offset);
    useZone(tz);
    QCOMPARE(GetTimeZoneOffset(), offset);
}

void TestDateFunctions::currentUnixTime_data()
{
    QTest::addColumn<QByteArray>("tz");
    QTest::addColumn<int>("summerShift"); // seconds the clock moves in summer, 0 without
    QTest::newRow("UTC") << QByteArray("UTC0") << 0;
    QTest::newRow("five hours east") << QByteArray("XYZ-5") << 0;
    QTest::newRow("three hours west") << QByteArray("ABC+3") << 0;
    QTest::newRow("central Europe") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << 3600;
    QTest::newRow("southern hemisphere") << QByteArray("AEST-10AEDT,M10.1.0,M4.1.0/3") << 3600;
}

void TestDateFunctions::currentUnixTime()
{
    QFETCH(QByteArray, tz);
    QFETCH(int, summerShift);
    useZone(tz);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const qint64 got = CurrentUnixTime();
    // The daylight bias is always counted: the result is true UTC in summer and one
    // summer shift less outside it. Allow the clock to tick between the two readings.
    const qint64 expected = qint64(now) - (local.tm_isdst > 0 ? 0 : summerShift);
    QVERIFY2(got >= expected && got <= expected + 2, qPrintable(QStringLiteral("%1 vs %2").arg(got).arg(expected)));
}

void TestDateFunctions::localDateTimes_data()
{
    QTest::addColumn<QByteArray>("tz");
    QTest::addColumn<QDateTime>("local");
    QTest::addColumn<qint64>("expected");
    const auto at = [](int y, int mo, int d, int h, int mi, int s) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s)); };
    QTest::newRow("epoch") << QByteArray("UTC0") << at(1970, 1, 1, 0, 0, 0) << Q_INT64_C(0);
    QTest::newRow("billennium") << QByteArray("UTC0") << at(2001, 9, 9, 1, 46, 40) << Q_INT64_C(1000000000);
    QTest::newRow("last 32-bit second") << QByteArray("UTC0") << at(2038, 1, 19, 3, 14, 7) << Q_INT64_C(2147483647);
    QTest::newRow("first 32-bit second") << QByteArray("UTC0") << at(1901, 12, 13, 20, 45, 52) << Q_INT64_C(-2147483648);
    QTest::newRow("leap day") << QByteArray("UTC0") << at(2000, 2, 29, 12, 0, 0) << Q_INT64_C(951825600);
    QTest::newRow("summer in central Europe") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << at(2001, 9, 9, 3, 46, 40) << Q_INT64_C(1000000000);
    QTest::newRow("winter in central Europe") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << at(2001, 1, 1, 1, 0, 0) << Q_INT64_C(978307200 - 3600);
    QTest::newRow("west of Greenwich") << QByteArray("ABC+3") << at(2001, 9, 8, 22, 46, 40) << Q_INT64_C(1000000000);
}

void TestDateFunctions::localDateTimes()
{
    QFETCH(QByteArray, tz);
    QFETCH(QDateTime, local);
    QFETCH(qint64, expected);
    useZone(tz);
    const QDate d = local.date();
    const QTime t = local.time();
    QCOMPARE(qint64(LocalDateTimeToUnixTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second())), expected);
}

void TestDateFunctions::overflow()
{
    useZone("UTC0");
    QVERIFY_THROWS_EXCEPTION(QbError, LocalDateTimeToUnixTime(2038, 1, 19, 3, 14, 8));
    QVERIFY_THROWS_EXCEPTION(QbError, LocalDateTimeToUnixTime(1901, 12, 13, 20, 45, 51));
    // The offset can push a value inside the range out of it.
    useZone("ABC+3");
    try {
        LocalDateTimeToUnixTime(2038, 1, 19, 1, 0, 0);
        QFAIL("no overflow");
    } catch (const QbError &e) {
        QCOMPARE(e.number(), 6);
    }
}

QTEST_GUILESS_MAIN(TestDateFunctions)
#include "tst_datefunctions.moc"
