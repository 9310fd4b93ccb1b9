#include "members/modCRC32Hash.h"
#include "members/modMD5Hash.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// The standard CRC-32 (with final inversion) computed bit by bit, independent of any table.
quint32 bitwiseCrc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : bytes) {
        crc ^= quint8(ch);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}
} // namespace

class TestHashes : public QObject {
    Q_OBJECT
private slots:
    void md5HashString_data();
    void md5HashString();
    void md5HashFile();
    void emailHash_data();
    void emailHash();
    void crc32Register();
    void phpBBEmailHash_data();
    void phpBBEmailHash();
};

void TestHashes::md5HashString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << "" << "D41D8CD98F00B204E9800998ECF8427E";
    QTest::newRow("abc") << "abc" << "900150983CD24FB0D6963F7D28E17F72";
    QTest::newRow("fox") << "The quick brown fox jumps over the lazy dog" << "9E107D9D372BB6826BD81D3542A419D6";
    // windows-1252 bytes: "é" is E9, "€" is 80.
    QTest::newRow("code page bytes") << QString::fromUtf8("é€") << MD5Hex(QByteArray("\xE9\x80"));
    QTest::newRow("character outside the code page") << QString::fromUtf8("a日b") << MD5Hex("a?b");
    QTest::newRow("pair of surrogates counts twice") << QString::fromUtf8("x😀") << MD5Hex("x??");
}

void TestHashes::md5HashString()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QTemporaryDir tmp;
    qbtest::RecordingHost host;
    QCOMPARE(MD5HashString(host, text), expected);
    QVERIFY(host.messages.isEmpty());
    QVERIFY(!host.StopConversion);
}

void TestHashes::md5HashFile()
{
    QTemporaryDir tmp;
    qbtest::writeBytes(tmp.filePath("empty.bin"), QByteArray());
    qbtest::writeBytes(tmp.filePath("abc.bin"), "abc");
    QByteArray big(3 * 1024 * 1024 + 17, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    qbtest::writeBytes(tmp.filePath("big.bin"), big);
    QCOMPARE(MD5HashFile(tmp.filePath("empty.bin")), QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));
    QCOMPARE(MD5HashFile(tmp.filePath("abc.bin")), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    QCOMPARE(MD5HashFile(tmp.filePath("big.bin")), MD5Hex(big));
    try {
        MD5HashFile(tmp.filePath("missing.bin"));
        QFAIL("no error for a missing file");
    } catch (const QbError &e) {
        QCOMPARE(e.number(), 53);
        QVERIFY(e.description().startsWith("File not found"));
    }
}

void TestHashes::emailHash_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("bytes"); // the code-page bytes the register runs over
    QTest::newRow("abc") << "abc" << QByteArray("abc");
    QTest::newRow("address") << "jane.doe@example.com" << QByteArray("jane.doe@example.com");
    QTest::newRow("code page letters") << QString::fromUtf8("josé€@x.org") << QByteArray("jos\xE9\x80@x.org");
    QTest::newRow("outside the code page repeats the byte before") << QString::fromUtf8("a日b") << QByteArray("aab");
    QTest::newRow("outside the code page first counts as 0") << QString::fromUtf8("日a") << QByteArray("\0a", 2);
    QTest::newRow("two outside in a row") << QString::fromUtf8("x日本") << QByteArray("xxx");
}

void TestHashes::emailHash()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, bytes);
    QCOMPARE(EmailHash(address), qint32(~bitwiseCrc32(bytes)));
}

void TestHashes::crc32Register()
{
    QCOMPARE(EmailHash("abc"), -891568579);
    QCOMPARE(CRC32InitTable(0xEDB88320u, -1), -1);
    QCOMPARE(CRC32String(QString(), -1), -1);
    QCOMPARE(CRC32String(QString(), 12345), 12345);
    QCOMPARE(quint32(CRC32String("123456789", CRC32InitTable(0xEDB88320u, -1))), ~0xCBF43926u);
    // Another polynomial (CRC-32C), then back to the standard one.
    QCOMPARE(CRC32InitTable(0x82F63B78u, 7), 7);
    QCOMPARE(quint32(CRC32String("123456789", -1)), ~0xE3069283u);
    QCOMPARE(EmailHash("abc"), -891568579);
    QCOMPARE(quint32(CRC32String("123456789", -1)), ~0xCBF43926u);
}

void TestHashes::phpBBEmailHash_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("abc") << "abc" << Q_INT64_C(8915685783);
    QTest::newRow("upper case") << "ABC" << Q_INT64_C(8915685783);
    QTest::newRow("empty") << "" << Q_INT64_C(0);
    QTest::newRow("address") << "Jane.Doe@Example.com"
                             << QString::number(bitwiseCrc32("jane.doe@example.com")).append("20").toLongLong();
    // PHP lower-cases only A-Z and counts UTF-8 bytes.
    QTest::newRow("non-ASCII") << QString::fromUtf8("ÉA@x") << QString::number(bitwiseCrc32("\xC3\x89" "a@x")).append("5").toLongLong();
}

void TestHashes::phpBBEmailHash()
{
    QFETCH(QString, address);
    QFETCH(qint64, expected);
    QCOMPARE(::phpBBEmailHash(address), expected);
}

QTEST_GUILESS_MAIN(TestHashes)
#include "tst_hashes.moc"
