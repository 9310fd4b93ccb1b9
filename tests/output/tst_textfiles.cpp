#include "output/TextFiles.h"
#include "run/ConversionRun.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestTextFiles : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void charsetRoundTrip_data();
    void charsetRoundTrip();
    void nativeBytes_data();
    void nativeBytes();
    void latin1PageReadAsLatin1AndAsUtf8();
    void nulCharactersAndByteOrderMarkRemoved();
    void emptyCharsetMeansRunCharsetThenUtf8();
    void ansiReadKeepsHighBytesVisible();
    void missingFileIsReported();
    void unknownCharsetIsReported();
    void unknownCharsetThrowsFromConverters();
    void writeReplacesFileWithoutExtras();
    void writeUsesHtmlReferencesForMissingCharacters();
    void writeIntoMissingFolderIsReported();
    void linkToLocalPath_data();
    void linkToLocalPath();

private:
    std::unique_ptr<QTemporaryDir> tmp;
    std::unique_ptr<qbtest::RecordingHost> host;
    std::unique_ptr<ConversionRun> run;
    QString path(const QString &name) const { return tmp->filePath(name); }
};

void TestTextFiles::init()
{
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
    host = std::make_unique<qbtest::RecordingHost>();
    run = std::make_unique<ConversionRun>(*host);
}

void TestTextFiles::cleanup()
{
    run.reset();
    host.reset();
    tmp.reset();
}

void TestTextFiles::charsetRoundTrip_data()
{
    QTest::addColumn<QString>("charset");
    QTest::addColumn<QString>("text");
    const QString ascii = QStringLiteral("Plain ASCII, \"quoted\" <b>1+1=2</b>\r\n");
    const auto row = [&](const char *charset, const char *native) {
        QTest::newRow(charset) << QString::fromLatin1(charset) << ascii + QString::fromUtf8(native);
    };
    row("big5", "繁體中文 臺灣");
    row("euc-jp", "日本語 カタカナ ひらがな");
    row("euc-kr", "한국어 조선말");
    row("gb2312", "简体中文 汉字");
    row("iso-2022-jp", "日本語 カタカナ");
    row("iso-2022-kr", "한국어");
    row("iso-8859-1", "café déjà ñ ß ÿ");
    row("iso-8859-2", "Łódź čeština ő ű");
    row("iso-8859-3", "Ħal ġ ż ŝ ŭ");
    row("iso-8859-4", "ā ē ī ū ŗ ĸ");
    row("iso-8859-5", "Привет мир Ђ");
    row("iso-8859-6", "مرحبا بالعالم");
    row("iso-8859-7", "Καλημέρα κόσμε");
    row("iso-8859-8", "שלום עולם");
    row("iso-8859-9", "İstanbul ğ ş ı");
    row("koi8-r", "Привет мир");
    row("shift-jis", "日本語 カタカナ");
    row("us-ascii", "~!@#$%^&*()");
    row("utf-7", "naïve 日本 +plus");
    row("utf-8", "naïve 日本 😀");
    QTest::newRow("upper-case name") << QStringLiteral("ISO-8859-1") << ascii + QString::fromUtf8("é");
}

void TestTextFiles::charsetRoundTrip()
{
    QFETCH(QString, charset);
    QFETCH(QString, text);
    const QByteArray bytes = EncodeCharset(text, charset);
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(DecodeCharset(bytes, charset), text);

    // The same through the file routines, with the charset as the run's charset.
    run->settings.DiscusCharset = charset;
    QVERIFY(WriteFileData(*run, path("page.html"), text));
    QCOMPARE(qbtest::readBytes(path("page.html")), bytes);
    QString read;
    QVERIFY(GetFileDataCharset(*run, path("page.html"), read));
    QCOMPARE(read, text);
    QVERIFY(GetFileDataCharset(*run, path("page.html"), read, charset));
    QCOMPARE(read, text);
    QVERIFY(host->messages.isEmpty());
    QVERIFY(!host->StopConversion);
}

void TestTextFiles::nativeBytes_data()
{
    QTest::addColumn<QString>("charset");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("iso-8859-1") << "iso-8859-1" << QString::fromUtf8("é") << QByteArray("\xE9");
    QTest::newRow("iso-8859-5") << "iso-8859-5" << QString::fromUtf8("Ж") << QByteArray("\xB6");
    QTest::newRow("koi8-r") << "koi8-r" << QString::fromUtf8("П") << QByteArray("\xF0");
    QTest::newRow("shift-jis") << "shift-jis" << QString::fromUtf8("日") << QByteArray("\x93\xFA");
    QTest::newRow("euc-jp") << "euc-jp" << QString::fromUtf8("日") << QByteArray("\xC6\xFC");
    QTest::newRow("big5") << "big5" << QString::fromUtf8("中") << QByteArray("\xA4\xA4");
    QTest::newRow("gb2312") << "gb2312" << QString::fromUtf8("中") << QByteArray("\xD6\xD0");
    QTest::newRow("euc-kr") << "euc-kr" << QString::fromUtf8("한") << QByteArray("\xC7\xD1");
    QTest::newRow("iso-2022-jp") << "iso-2022-jp" << QString::fromUtf8("日") << QByteArray("\x1B$BF|\x1B(B");
    QTest::newRow("utf-7") << "utf-7" << QString::fromUtf8("é") << QByteArray("+AOk-");
    QTest::newRow("utf-8") << "utf-8" << QString::fromUtf8("é") << QByteArray("\xC3\xA9");
}

void TestTextFiles::nativeBytes()
{
    QFETCH(QString, charset);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(EncodeCharset(text, charset), bytes);
    QCOMPARE(DecodeCharset(bytes, charset), text);
}

void TestTextFiles::latin1PageReadAsLatin1AndAsUtf8()
{
    qbtest::writeBytes(path("old.html"), QByteArray("<p>caf\xE9 d\xE9j\xE0</p>\r\n"));
    QString text;
    QVERIFY(GetFileDataCharset(*run, path("old.html"), text, "iso-8859-1"));
    QCOMPARE(text, QString::fromUtf8("<p>café déjà</p>\r\n"));
    QVERIFY(GetFileDataCharset(*run, path("old.html"), text, "utf-8"));
    QVERIFY(!text.contains(QString::fromUtf8("é")));
    QVERIFY(text.contains(QChar(0xFFFD)));
    QVERIFY(text.startsWith("<p>caf"));
    QVERIFY(host->messages.isEmpty());
}

void TestTextFiles::nulCharactersAndByteOrderMarkRemoved()
{
    qbtest::writeBytes(path("nul.txt"), QByteArray("a\0b\0\0c\r\n", 8));
    QString text;
    QVERIFY(GetFileDataCharset(*run, path("nul.txt"), text, "iso-8859-1"));
    QCOMPARE(text, QStringLiteral("abc\r\n"));

    qbtest::writeBytes(path("bom.txt"), QByteArray("\xEF\xBB\xBFJane|x\r\n"));
    QVERIFY(GetFileDataCharset(*run, path("bom.txt"), text, "utf-8"));
    QCOMPARE(text, QStringLiteral("Jane|x\r\n"));

    qbtest::writeBytes(path("empty.txt"), QByteArray());
    QVERIFY(GetFileDataCharset(*run, path("empty.txt"), text, "utf-8"));
    QCOMPARE(text, QString());
}

void TestTextFiles::emptyCharsetMeansRunCharsetThenUtf8()
{
    qbtest::writeBytes(path("p.html"), QByteArray("\xC3\xA9"));
    QString text;
    run->settings.DiscusCharset.clear();
    QVERIFY(GetFileDataCharset(*run, path("p.html"), text));
    QCOMPARE(text, QString::fromUtf8("é"));
    run->settings.DiscusCharset = "iso-8859-1";
    QVERIFY(GetFileDataCharset(*run, path("p.html"), text));
    QCOMPARE(text, QString::fromUtf8("Ã©"));
}

void TestTextFiles::ansiReadKeepsHighBytesVisible()
{
    qbtest::writeBytes(path("Redirect.html"), QByteArray("<meta content=\"text/html; charset=iso-8859-1\">caf\xE9"));
    QString text;
    QVERIFY(GetFileDataANSI(*host, path("Redirect.html"), text));
    QCOMPARE(text, QStringLiteral("<meta content=\"text/html; charset=iso-8859-1\">caf") + QChar(0xFFFD));

    QVERIFY(!GetFileDataANSI(*host, path("missing.html"), text));
    QCOMPARE(host->messages.value(0),
             "53 - GetFileDataANSI() - " + QDir::toNativeSeparators(path("missing.html")) + "\r\n\r\nFile not found");
}

void TestTextFiles::missingFileIsReported()
{
    QString text = "stale";
    QVERIFY(!GetFileDataCharset(*run, path("nope.html"), text, "utf-8"));
    QCOMPARE(text, QString());
    QCOMPARE(host->messages,
             QStringList{"53 - GetFileDataCharset() - " + QDir::toNativeSeparators(path("nope.html")) + "\r\n\r\nFile not found"});
    QVERIFY(host->StopConversion);

    // A folder of that name is not read as a page.
    QVERIFY(QDir(path("")).mkpath("folder.html"));
    QVERIFY(!GetFileDataCharset(*run, path("folder.html"), text, "utf-8"));
    QCOMPARE(host->messages.value(1), "75 - GetFileDataCharset() - " + QDir::toNativeSeparators(path("folder.html"))
                                          + "\r\n\r\nPath/File access error - the path is a folder");
}

void TestTextFiles::unknownCharsetIsReported()
{
    qbtest::writeBytes(path("p.html"), "abc");
    QString text;
    QVERIFY(!GetFileDataCharset(*run, path("p.html"), text, "x-no-such-charset"));
    QCOMPARE(text, QString());
    QCOMPARE(host->messages,
             QStringList{"5 - GetFileDataCharset() - " + QDir::toNativeSeparators(path("p.html"))
                         + "\r\n\r\nUnknown character set - x-no-such-charset"});
    QVERIFY(host->StopConversion);

    // Writing in an unknown run charset leaves the existing file as it was.
    host->StopConversion = false;
    run->settings.DiscusCharset = "klingon";
    QVERIFY(!WriteFileData(*run, path("p.html"), "new"));
    QCOMPARE(host->messages.last(), QStringLiteral("5 - WriteFileData()\r\n\r\nUnknown character set - klingon"));
    QVERIFY(host->StopConversion);
    QCOMPARE(qbtest::readBytes(path("p.html")), QByteArray("abc"));
}

void TestTextFiles::unknownCharsetThrowsFromConverters()
{
    for (const QString &name : {QStringLiteral("bogus"), QStringLiteral(" "), QStringLiteral("utf-8é")}) {
        try {
            DecodeCharset("x", name);
            QFAIL("no error for an unknown charset");
        } catch (const QbError &e) {
            QCOMPARE(e.number(), 5);
            QCOMPARE(e.description(), "Unknown character set - " + name);
        }
        QVERIFY_THROWS_EXCEPTION(QbError, EncodeCharset(QString(), name));
    }
}

void TestTextFiles::writeReplacesFileWithoutExtras()
{
    QDir().mkpath(path("redirect"));
    qbtest::writeBytes(path("redirect/12.html"), QByteArray(1000, 'x'));
    run->settings.DiscusCharset.clear();
    const QString page = QString::fromUtf8("<html>déjà</html>");
    QVERIFY(WriteFileData(*run, path("redirect/12.html"), page));
    QCOMPARE(qbtest::readBytes(path("redirect/12.html")), page.toUtf8()); // UTF-8, no byte-order mark, no line end
    QCOMPARE(QDir(path("redirect")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"12.html"});
    QVERIFY(host->messages.isEmpty());
}

void TestTextFiles::writeUsesHtmlReferencesForMissingCharacters()
{
    run->settings.DiscusCharset = "iso-8859-1";
    QVERIFY(WriteFileData(*run, path("r.html"), QString::fromUtf8("é € 日")));
    QCOMPARE(qbtest::readBytes(path("r.html")), QByteArray("\xE9 &#8364; &#26085;"));
    // The plain encoder substitutes instead.
    QCOMPARE(EncodeCharset(QString::fromUtf8("€"), "iso-8859-1").size(), 1);
}

void TestTextFiles::writeIntoMissingFolderIsReported()
{
    QVERIFY(!WriteFileData(*run, path("no/such/folder/x.html"), "x"));
    QCOMPARE(host->messages.size(), 1);
    QVERIFY(host->messages[0].startsWith("76 - WriteFileData()\r\n\r\nPath not found"));
    QVERIFY(host->StopConversion);
    QVERIFY(!QFileInfo::exists(path("no")));
}

void TestTextFiles::linkToLocalPath_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("board");
    QTest::newRow("public") << "http://example.com/discus/messages/12/345.html" << false << "/d/messages/12/345.html" << "345.html" << "12";
    QTest::newRow("hidden") << "http://example.com/discus/messages/12/345.html" << true << "/d/secure/12/345.html" << "345.html" << "12";
    QTest::newRow("relative") << "../../messages/7/88.html" << false << "/d/messages/7/88.html" << "88.html" << "7";
    QTest::newRow("board with text after digits") << "/x/ 12abc/9.html" << false << "/d/messages/12/9.html" << "9.html" << "12";
    QTest::newRow("one slash") << "12/345.html" << false << "/d/messages/12/345.html" << "345.html" << "12";
    QTest::newRow("non-numeric board") << "/messages/board/1.html" << false << "/d/messages//1.html" << "1.html" << "";
}

void TestTextFiles::linkToLocalPath()
{
    QFETCH(QString, link);
    QFETCH(bool, hidden);
    QFETCH(QString, expected);
    QFETCH(QString, fileName);
    QFETCH(QString, board);
    run->settings.DiscusMessageFolder = "/d/messages/";
    run->settings.DiscusSecureMessageFolder = "/d/secure/";
    run->CurrentPageHidden = hidden;
    QString name, folder;
    QCOMPARE(LinkToLocalPath(*run, link, name, folder), expected);
    QCOMPARE(name, fileName);
    QCOMPARE(folder, board);
    QCOMPARE(LinkToLocalPath(*run, link), expected);
}

QTEST_GUILESS_MAIN(TestTextFiles)
#include "tst_textfiles.moc"
