// Settings files through clsCvGenRtns::GetIniString / WriteIniString: line rules,
// encodings, and the per-thread cache.
#include "routines/clsCvGenRtns.h"
#include "tests/support/TestSupport.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

using qbtest::readBytes;
using qbtest::writeBytes;

namespace {
QByteArray utf16(const QString &text)
{
    QStringEncoder enc(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return enc.encode(text);
}
} // namespace

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void writeRules_data();
    void writeRules();
    void getRules_data();
    void getRules();
    void encodings_data();
    void encodings();
    void istFilesAreNeverWritten();
    void folderIsCreatedAndWriteFailuresAreQuiet();
    void cacheKeepsLinesUntilWriteOrSwitch();
    void pjtSlotIsIndependent();
    void cacheIsPerThread();
};

void TestIniFile::writeRules_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("missing file gets three lines")
        << false << QByteArray() << "Settings" << "Charset" << "utf-8" << false
        << QByteArray("[Settings]\r\n\r\nCharset=utf-8\r\n");
    QTest::newRow("replace key, header between empty lines")
        << true << QByteArray("[Settings]\r\nA=1\r\nB=2\r\n") << "Settings" << "A" << "9" << true
        << QByteArray("\r\n[Settings]\r\n\r\nA=9\r\nB=2\r\n");
    QTest::newRow("empty value removes key")
        << true << QByteArray("[S]\r\nA=1\r\nB=2\r\n") << "S" << "A" << "" << true
        << QByteArray("\r\n[S]\r\n\r\nB=2\r\n");
    QTest::newRow("empty value on missing key adds nothing")
        << true << QByteArray("[S]\r\nB=2\r\n") << "S" << "A" << "" << true
        << QByteArray("\r\n[S]\r\n\r\nB=2\r\n");
    QTest::newRow("new key at end of a middle section")
        << true << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n") << "A" << "z" << "3" << true
        << QByteArray("\r\n[A]\r\n\r\nx=1\r\nz=3\r\n\r\n[B]\r\n\r\ny=2\r\n");
    QTest::newRow("new key in last section, trailing blanks dropped")
        << true << QByteArray("[A]\r\nx=1\r\n\r\n\r\n") << "A" << "z" << "3" << true
        << QByteArray("\r\n[A]\r\n\r\nx=1\r\nz=3\r\n");
    QTest::newRow("new section follows the last line directly")
        << true << QByteArray("[A]\r\nx=1\r\n\r\n\r\n") << "B" << "k" << "v" << false
        << QByteArray("\r\n[A]\r\n\r\nx=1\r\n[B]\r\n\r\nk=v\r\n");
    QTest::newRow("blank lines dropped, section and key ignore case")
        << true << QByteArray("\r\n\r\nfoo=bar\r\n\r\n[settings]\r\n  \r\nA=1\r\n") << " SETTINGS " << "a" << "2" << true
        << QByteArray("foo=bar\r\n\r\n[settings]\r\n\r\na=2\r\n");
    QTest::newRow("key tail finds the longer key first")
        << true << QByteArray("[S]\r\nRootFolder=/r/\r\nFolder=/f/\r\n") << "S" << "Folder" << "/x/" << true
        << QByteArray("\r\n[S]\r\n\r\nFolder=/x/\r\nFolder=/f/\r\n");
    QTest::newRow("key of another section is not seen")
        << true << QByteArray("[A]\r\nk=1\r\n[B]\r\nj=2\r\n") << "B" << "k" << "5" << true
        << QByteArray("\r\n[A]\r\n\r\nk=1\r\n\r\n[B]\r\n\r\nj=2\r\nk=5\r\n");
    QTest::newRow("LF line ends become CR LF")
        << true << QByteArray("[S]\nA=1\n") << "S" << "B" << "2" << true
        << QByteArray("\r\n[S]\r\n\r\nA=1\r\nB=2\r\n");
    QTest::newRow("empty section at the end")
        << true << QByteArray("[A]\r\n") << "A" << "k" << "v" << true
        << QByteArray("\r\n[A]\r\n\r\nk=v\r\n");
    QTest::newRow("adjacent headers")
        << true << QByteArray("[A]\r\n[B]\r\n") << "B" << "x" << "1" << true
        << QByteArray("\r\n[A]\r\n\r\n\r\n[B]\r\n\r\nx=1\r\n");
    QTest::newRow("DiscusWebsite and DiscusWebSite are one entry")
        << true << QByteArray("[Settings]\r\nDiscusWebsite=http://a/\r\n") << "Settings" << "DiscusWebSite" << "http://b/" << true
        << QByteArray("\r\n[Settings]\r\n\r\nDiscusWebSite=http://b/\r\n");
    QTest::newRow("section appended after text without header")
        << true << QByteArray("loose line") << "S" << "K" << "V" << false
        << QByteArray("loose line\r\n[S]\r\n\r\nK=V\r\n");
    QTest::newRow("same value still rewrites the file")
        << true << QByteArray("[S]\r\n\r\nA=1\r\n\r\n") << "S" << "A" << "1" << true
        << QByteArray("\r\n[S]\r\n\r\nA=1\r\n");
}

void TestIniFile::writeRules()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, result);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    const QString file = dir.filePath("quillbridge.ini");
    if (present)
        writeBytes(file, before);
    clsCvGenRtns gen;
    QCOMPARE(gen.WriteIniString(section, key, value, file), result);
    QCOMPARE(readBytes(file), after);
}

void TestIniFile::getRules_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QByteArray>("after"); // empty: the file is left as it was

    QTest::newRow("missing file")
        << false << QByteArray() << "Settings" << "Charset" << "utf-8" << "utf-8"
        << QByteArray("[Settings]\r\n\r\nCharset=utf-8\r\n");
    QTest::newRow("value trimmed, blanks before = do not match")
        << true << QByteArray("[Settings]\r\nCharset =x\r\nCharset=  iso-8859-1  \r\n") << "Settings" << "Charset" << "utf-8"
        << "iso-8859-1" << QByteArray();
    QTest::newRow("empty value gets the default")
        << true << QByteArray("[S]\r\nK=\r\n") << "S" << "K" << "d" << "d"
        << QByteArray("\r\n[S]\r\n\r\nK=d\r\n");
    QTest::newRow("key tail finds the longer key first")
        << true << QByteArray("[S]\r\nRootFolder=/r/\r\nFolder=/f/\r\n") << "S" << "Folder" << "x" << "/r/" << QByteArray();
    QTest::newRow("own key first")
        << true << QByteArray("[S]\r\nFolder=/f/\r\nRootFolder=/r/\r\n") << "S" << "Folder" << "x" << "/f/" << QByteArray();
    QTest::newRow("key of another section is not seen")
        << true << QByteArray("[A]\r\nK=1\r\n[B]\r\n") << "B" << "K" << "2" << "2"
        << QByteArray("\r\n[A]\r\n\r\nK=1\r\n\r\n[B]\r\n\r\nK=2\r\n");
    QTest::newRow("key ignores case")
        << true << QByteArray("[Settings]\r\nDiscusWebSite=http://old/\r\n") << "settings" << "DiscusWebsite" << ""
        << "http://old/" << QByteArray();
    QTest::newRow("value holding =")
        << true << QByteArray("[S]\r\nK=a=b\r\n") << "S" << "K" << "x" << "a=b" << QByteArray();
    QTest::newRow("missing section")
        << true << QByteArray("[A]\r\nK=1\r\n") << "S" << "K" << "d" << "d"
        << QByteArray("\r\n[A]\r\n\r\nK=1\r\n[S]\r\n\r\nK=d\r\n");
    QTest::newRow("utf-8 byte-order mark before the first header")
        << true << QByteArray("\xEF\xBB\xBF[Settings]\r\nA=1\r\n") << "Settings" << "A" << "x" << "1" << QByteArray();
    QTest::newRow("CR alone is dropped")
        << true << QByteArray("[S]\r\nA=1\r\rB=2\r\n") << "S" << "A" << "x" << "1B=2" << QByteArray();
}

void TestIniFile::getRules()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    const QString file = dir.filePath("settings.ini");
    if (present)
        writeBytes(file, before);
    clsCvGenRtns gen;
    QCOMPARE(gen.GetIniString(section, key, defaultValue, file), expected);
    QCOMPARE(readBytes(file), after.isEmpty() ? before : after);
}

void TestIniFile::encodings_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("value");      // what GetIniString("S", "Name") gives
    QTest::addColumn<QString>("newValue");   // then written as "Other"
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("utf-16 ini stays utf-16")
        << "a.ini" << utf16("[S]\r\nName=Zo\u00eb \u0394\r\n") << QString::fromUtf8("Zo\u00eb \u0394") << QString::fromUtf8("\u00fc")
        << utf16("\r\n[S]\r\n\r\nName=Zo\u00eb \u0394\r\nOther=\u00fc\r\n");
    QTest::newRow("utf-16 pjt stays utf-16")
        << "a.PJT" << utf16("[S]\r\nName=x\r\n") << "x" << "y"
        << utf16("\r\n[S]\r\n\r\nName=x\r\nOther=y\r\n");
    QTest::newRow("utf-16 txt becomes 8-bit")
        << "a.txt" << utf16("[S]\r\nName=Zo\u00eb\r\n") << QString::fromUtf8("Zo\u00eb") << "1"
        << QByteArray("\r\n[S]\r\n\r\nName=Zo\xEB\r\nOther=1\r\n");
    QTest::newRow("utf-16 with LF line ends")
        << "a.ini" << utf16("[S]\nName=x\n") << "x" << "y"
        << utf16("\r\n[S]\r\n\r\nName=x\r\nOther=y\r\n");
    QTest::newRow("windows-1252 stays windows-1252")
        << "a.ini" << QByteArray("[S]\r\nName=Caf\xE9 \x80\r\n") << QString::fromUtf8("Caf\u00e9 \u20ac")
        << QString::fromUtf8("\u00e9") << QByteArray("\r\n[S]\r\n\r\nName=Caf\xE9 \x80\r\nOther=\xE9\r\n");
    QTest::newRow("utf-8 with byte-order mark keeps it")
        << "a.ini" << QByteArray("\xEF\xBB\xBF[S]\r\nName=Caf\xC3\xA9\r\n") << QString::fromUtf8("Caf\u00e9")
        << QString::fromUtf8("\u00e9") << QByteArray("\xEF\xBB\xBF\r\n[S]\r\n\r\nName=Caf\xC3\xA9\r\nOther=\xC3\xA9\r\n");
    QTest::newRow("utf-8 without mark stays utf-8")
        << "a.ini" << QByteArray("[S]\nName=Caf\xC3\xA9\n") << QString::fromUtf8("Caf\u00e9")
        << "1" << QByteArray("\r\n[S]\r\n\r\nName=Caf\xC3\xA9\r\nOther=1\r\n");
    QTest::newRow("8-bit file gets a character windows-1252 lacks")
        << "a.ini" << QByteArray("[S]\r\nName=Caf\xE9\r\n") << QString::fromUtf8("Caf\u00e9")
        << QString::fromUtf8("\u0414\u043e\u043c") << QByteArray("\r\n[S]\r\n\r\nName=Caf\xC3\xA9\r\nOther=\xD0\x94\xD0\xBE\xD0\xBC\r\n");
}

void TestIniFile::encodings()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    QFETCH(QString, value);
    QFETCH(QString, newValue);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    const QString file = dir.filePath(name);
    writeBytes(file, before);
    clsCvGenRtns gen;
    QCOMPARE(gen.GetIniString("S", "Name", "default", file), value);
    QVERIFY(gen.WriteIniString("S", "Other", newValue, file));
    QCOMPARE(readBytes(file), after);
    // What was written reads back as written.
    QCOMPARE(gen.GetIniString("S", "Name", "default", file), value);
    QCOMPARE(gen.GetIniString("S", "Other", "default", file), newValue);
}

void TestIniFile::istFilesAreNeverWritten()
{
    QTemporaryDir dir;
    clsCvGenRtns gen;
    const QString present = dir.filePath("lang.IST");
    const QByteArray bytes("[S]\r\nA=1\r\n");
    writeBytes(present, bytes);
    QVERIFY(!gen.WriteIniString("S", "A", "2", present));
    QCOMPARE(gen.GetIniString("S", "B", "dflt", present), QString("dflt"));
    QCOMPARE(gen.GetIniString("S", "A", "dflt", present), QString("1"));
    QCOMPARE(readBytes(present), bytes);

    const QString missing = dir.filePath("none.ist");
    QCOMPARE(gen.GetIniString("S", "A", "dflt", missing), QString("dflt"));
    QVERIFY(!QFile::exists(missing));
}

void TestIniFile::folderIsCreatedAndWriteFailuresAreQuiet()
{
    QTemporaryDir dir;
    clsCvGenRtns gen;
    const QString deep = dir.filePath("a/b/c/settings.ini");
    QCOMPARE(gen.GetIniString("Settings", "Log", "1", deep), QString("1"));
    QCOMPARE(readBytes(deep), QByteArray("[Settings]\r\n\r\nLog=1\r\n"));

    // A folder that cannot exist (its parent is a file): nothing written, defaults returned.
    writeBytes(dir.filePath("plain"), "x");
    const QString impossible = dir.filePath("plain/settings.ini");
    QVERIFY(!gen.WriteIniString("Settings", "A", "1", impossible));
    QCOMPARE(gen.GetIniString("Settings", "A", "dflt", impossible), QString("dflt"));
    QVERIFY(!QFile::exists(impossible));
}

void TestIniFile::cacheKeepsLinesUntilWriteOrSwitch()
{
    QTemporaryDir dir;
    clsCvGenRtns gen;
    const QString file = dir.filePath("one.ini");
    const QString other = dir.filePath("two.ini");
    writeBytes(file, "[S]\r\nA=1\r\n");
    QCOMPARE(gen.GetIniString("S", "A", "x", file), QString("1"));

    // Changed on disk behind the cache: not seen.
    writeBytes(file, "[S]\r\nA=2\r\n");
    QCOMPARE(gen.GetIniString("S", "A", "x", file), QString("1"));

    // Another file in the same slot makes the next access read the file again.
    QCOMPARE(gen.GetIniString("S", "A", "x", other), QString("x"));
    QCOMPARE(gen.GetIniString("S", "A", "x", file), QString("2"));

    // A write works on the cached lines, then clears the slot.
    writeBytes(file, "[S]\r\nA=3\r\nB=4\r\n");
    QVERIFY(gen.WriteIniString("S", "C", "5", file));
    QCOMPARE(readBytes(file), QByteArray("\r\n[S]\r\n\r\nA=2\r\nC=5\r\n"));
    writeBytes(file, "[S]\r\nA=6\r\n");
    QCOMPARE(gen.GetIniString("S", "A", "x", file), QString("6"));
}

void TestIniFile::pjtSlotIsIndependent()
{
    QTemporaryDir dir;
    clsCvGenRtns gen;
    const QString project = dir.filePath("board.pjt");
    const QString settings = dir.filePath("main.ini");
    writeBytes(project, "[S]\r\nA=p1\r\n");
    writeBytes(settings, "[S]\r\nA=i1\r\n");
    QCOMPARE(gen.GetIniString("S", "A", "x", project), QString("p1"));
    QCOMPARE(gen.GetIniString("S", "A", "x", settings), QString("i1"));

    writeBytes(project, "[S]\r\nA=p2\r\n");
    writeBytes(settings, "[S]\r\nA=i2\r\n");
    // Alternating between the two files switches no slot: both stay cached.
    QCOMPARE(gen.GetIniString("S", "A", "x", project), QString("p1"));
    QCOMPARE(gen.GetIniString("S", "A", "x", settings), QString("i1"));

    // Another non-.pjt file replaces only the other slot.
    QCOMPARE(gen.GetIniString("S", "A", "x", dir.filePath("third.txt")), QString("x"));
    QCOMPARE(gen.GetIniString("S", "A", "x", project), QString("p1"));
    QCOMPARE(gen.GetIniString("S", "A", "x", settings), QString("i2"));

    // A write to the .pjt file clears the .pjt slot only.
    writeBytes(settings, "[S]\r\nA=i3\r\n");
    QVERIFY(gen.WriteIniString("S", "B", "1", project));
    QCOMPARE(gen.GetIniString("S", "A", "x", settings), QString("i2"));
}

void TestIniFile::cacheIsPerThread()
{
    QTemporaryDir dir;
    clsCvGenRtns gen;
    const QString file = dir.filePath("shared.ini");
    writeBytes(file, "[S]\r\nA=1\r\n");
    QCOMPARE(gen.GetIniString("S", "A", "x", file), QString("1"));
    writeBytes(file, "[S]\r\nA=2\r\n");

    QString seenByWorker;
    std::thread worker([&] { seenByWorker = clsCvGenRtns().GetIniString("S", "A", "x", file); });
    worker.join();
    QCOMPARE(seenByWorker, QString("2"));
    QCOMPARE(gen.GetIniString("S", "A", "x", file), QString("1"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
