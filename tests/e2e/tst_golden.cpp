// Golden output: the program in batch mode converts the bundled sample board and a
// generated board (fixed seed), and every file it writes must be the same, byte for byte,
// as the recorded one: import files, the SQL script, the logs, attachments, redirection
// pages, the internal-link files, the special-characters report, everything in the output
// folder.
//
// What legitimately varies is normalised before comparing: the absolute folders of the
// run (board, output) become "<BOARD>" and "<OUTPUT>" in every text file, and the clock
// lines of the logs (UTF-16LE and UTF-8 alike) lose their date and time.
//
// The sample board's expected files are kept whole in tests/e2e/golden/demo/; on a
// difference the actual file is written under <build>/golden-actual/demo/ and a unified
// diff is printed. The generated board is kept as a manifest of SHA-256 sums
// (tests/e2e/golden/generated.sha256); on a difference the differing files are listed and
// the actual files are kept under <build>/golden-actual/generated/.
//
// A change that alters the output on purpose updates the expected files by running this
// test once with QB_UPDATE_GOLDEN=1 in the environment:
//     QB_UPDATE_GOLDEN=1 QB_PROGRAM=$PWD/build/quillbridge build/tests/e2e_golden
// then review `git diff tests/e2e/golden` and commit it with the change.
#include "boardgen/BoardGenerator.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kWebsite = QStringLiteral("http://www.kestrel-valley-birders.example");
const QString kForumAddress = QStringLiteral("http://forum.kestrel-valley-birders.example/");
const QString kAdminFolder = QStringLiteral("discus_admin_1234567890");

QString goldenDir() { return qbtest::sourceDir() + QStringLiteral("/tests/e2e/golden"); }
QString demoGolden() { return goldenDir() + QStringLiteral("/demo"); }
QString generatedManifest() { return goldenDir() + QStringLiteral("/generated.sha256"); }
QString actualDir(const QString &board) { return qbtest::buildDir() + QStringLiteral("/golden-actual/") + board; }
bool updating() { return qEnvironmentVariableIntValue("QB_UPDATE_GOLDEN") == 1; }

// The generated board: a few thousand posts touching most of what the converter does.
qbgen::Options generatedOptions()
{
    qbgen::Options o;
    o.seed = 20261207;
    o.categories = 3;
    o.boardsPerCategory = 3;
    o.depth = 2;
    o.fanout = 5;
    o.postsPerPage = 12;
    o.members = 60;
    o.groups = 5;
    o.hiddenEvery = 7;
    o.newestFirstEvery = 5;
    o.unknownEvery = 11;
    o.mixedEvery = 4;
    o.linkEvery = 6;
    o.attachmentEvery = 9;
    o.announcementEvery = 2;
    o.usernameEvery = 6;
    o.website = kWebsite;
    o.adminFolder = kAdminFolder;
    return o;
}

// Runs `quillbridge --convert` on root into out; returns an error text, empty on success.
QString convert(const QString &root, const QString &out, const QString &ini)
{
    return qbtest::runBatchConversion(ini, {QStringLiteral("DiscusRootFolder=") + root,
                                               QStringLiteral("phpBB3_OutputFolder=") + out,
                                               QStringLiteral("DiscusWebsite=") + kWebsite,
                                               QStringLiteral("phpBB3ForumAddr=") + kForumAddress,
                                               QStringLiteral("phpBB3_Admin=admin"),
                                               QStringLiteral("phpBB3_Users=57"),
                                               QStringLiteral("phpBB3_Groups=7"),
                                               QStringLiteral("phpBB3Version=3.3"),
                                               QStringLiteral("Display=0"),
                                               QStringLiteral("Log=1")});
}

// Files below dir, relative paths with "/", sorted.
QStringList filesBelow(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

bool isUtf16(const QByteArray &bytes) { return bytes.startsWith("\xFF\xFE"); }

bool isText(const QString &path, const QByteArray &bytes)
{
    static const QStringList kText{QStringLiteral("txt"), QStringLiteral("sql"), QStringLiteral("html"),
                                   QStringLiteral("htm"), QStringLiteral("log"), QStringLiteral("csv")};
    return isUtf16(bytes) || kText.contains(QFileInfo(path).suffix().toLower());
}

// The run's folders as they may appear in a text: with "/" and without the last one.
struct Places {
    QString board, output;
};

// A line of a log that carries the clock: "Conversion Start Time: ...", "Elapsed Time: ...",
// and the error log's "<date time> - " prefix.
const QRegularExpression &clockLine()
{
    static const QRegularExpression re(QStringLiteral(
        "^((?:[^\\r\\n]*(?:Start|End|Finish|Elapsed|Stop)[^\\r\\n]*Time[^\\r\\n]*?:)|(?:[^\\r\\n]*Date/Time[^\\r\\n]*?:))[^\\r\\n]*"),
        QRegularExpression::MultilineOption);
    return re;
}

// A date and time anywhere in a log line ("Conversion Start: 2026-12-07 23:27:59", the error
// log's prefix).
const QRegularExpression &stamp()
{
    static const QRegularExpression re(QStringLiteral("\\d{4}-\\d{2}-\\d{2}[ T]\\d{2}:\\d{2}:\\d{2}"));
    return re;
}

// The logs and the run's report carry the clock.
bool isLog(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.startsWith(QLatin1String("Log")) || name == QLatin1String("Conversion Report.html");
}

QString normalisedText(QString text, const Places &places, bool log)
{
    for (const QString &dir : {places.output, places.board}) {
        const QString clean = QDir::cleanPath(dir);
        text.replace(clean + QLatin1Char('/'), dir == places.output ? QStringLiteral("<OUTPUT>/") : QStringLiteral("<BOARD>/"));
        text.replace(clean, dir == places.output ? QStringLiteral("<OUTPUT>") : QStringLiteral("<BOARD>"));
    }
    if (log) {
        text.replace(clockLine(), QStringLiteral("\\1 <TIME>"));
        text.replace(stamp(), QStringLiteral("<TIME>"));
    }
    return text;
}

// The file's bytes with what varies between runs normalised, in the file's own encoding.
QByteArray normalised(const QString &path, const QByteArray &bytes, const Places &places)
{
    if (!isText(path, bytes))
        return bytes;
    if (isUtf16(bytes)) {
        QStringDecoder dec(QStringDecoder::Utf16LE);
        QStringEncoder enc(QStringEncoder::Utf16LE);
        const QString text = dec(bytes.mid(2));
        return QByteArray("\xFF\xFE", 2) + QByteArray(enc(normalisedText(text, places, isLog(path))));
    }
    // The folders are ASCII-compatible in UTF-8 and in the single-byte sets alike: replace bytes.
    QByteArray out = bytes;
    for (const QString &dir : {places.output, places.board}) {
        const QByteArray clean = QDir::cleanPath(dir).toUtf8();
        out.replace(clean + '/', dir == places.output ? "<OUTPUT>/" : "<BOARD>/");
        out.replace(clean, dir == places.output ? "<OUTPUT>" : "<BOARD>");
    }
    if (!isLog(path))
        return out;
    // Clock lines are ASCII: a Latin-1 round trip keeps every other byte as it is.
    QString text = QString::fromLatin1(out);
    text.replace(clockLine(), QStringLiteral("\\1 <TIME>"));
    text.replace(stamp(), QStringLiteral("<TIME>"));
    return text.toLatin1();
}

// A readable form of a file for the diff: UTF-16 logs as UTF-8.
QByteArray readable(const QByteArray &bytes)
{
    if (!isUtf16(bytes))
        return bytes;
    QStringDecoder dec(QStringDecoder::Utf16LE);
    return QString(dec(bytes.mid(2))).toUtf8();
}

QString unifiedDiff(const QString &expectedPath, const QByteArray &expected, const QString &actualPath,
                    const QByteArray &actual)
{
    QTemporaryDir tmp;
    const QString a = tmp.filePath(QStringLiteral("expected")), b = tmp.filePath(QStringLiteral("actual"));
    qbtest::writeBytes(a, readable(expected));
    qbtest::writeBytes(b, readable(actual));
    QProcess diff;
    diff.start(QStringLiteral("diff"), {QStringLiteral("-u"), QStringLiteral("--label"), expectedPath,
                                        QStringLiteral("--label"), actualPath, a, b});
    diff.waitForFinished(60000);
    const QString text = QString::fromUtf8(diff.readAllStandardOutput());
    return text.size() > 20000 ? text.left(20000) + QStringLiteral("\n[diff cut at 20,000 characters]\n") : text;
}

QByteArray sha256(const QByteArray &bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(); }

// The manifest: "<sha256>  <relative path>" per line, sorted by path.
QMap<QString, QByteArray> readManifest(const QString &path)
{
    QMap<QString, QByteArray> sums;
    const QList<QByteArray> lines = qbtest::readBytes(path).split('\n');
    for (const QByteArray &line : lines) {
        const int gap = line.indexOf("  ");
        if (gap > 0)
            sums.insert(QString::fromUtf8(line.mid(gap + 2)), line.left(gap));
    }
    return sums;
}

// One converted board: its normalised files by relative path.
struct Run {
    QString failure;
    QMap<QString, QByteArray> files;
};

} // namespace

class TestGolden : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void noFileMissingOrExtra_data();
    void noFileMissingOrExtra();
    void demoFilesMatch_data();
    void demoFilesMatch();
    void generatedFilesMatch();

private:
    Run runBoard(const QString &name, const QString &root);
    QTemporaryDir m_tmp;
    Run m_demo, m_generated;
    QMap<QString, QByteArray> m_expectedDemo, m_expectedGenerated;
};

Run TestGolden::runBoard(const QString &name, const QString &root)
{
    Run run;
    const QString base = m_tmp.filePath(name), out = base + QStringLiteral("/output");
    QDir().mkpath(base);
    run.failure = convert(root, out, base + QStringLiteral("/quillbridge.ini"));
    if (!run.failure.isEmpty())
        return run;
    const Places places{root, out};
    for (const QString &rel : filesBelow(out)) {
        const QString path = out + QLatin1Char('/') + rel;
        run.files.insert(rel, normalised(path, qbtest::readBytes(path), places));
    }
    return run;
}

void TestGolden::initTestCase()
{
    QVERIFY2(m_tmp.isValid(), qPrintable(m_tmp.errorString()));
    m_demo = runBoard(QStringLiteral("demo"), qbtest::sourceDir() + QStringLiteral("/samples/discus"));
    QVERIFY2(m_demo.failure.isEmpty(), qPrintable(m_demo.failure));

    const QString root = m_tmp.filePath(QStringLiteral("generated/board"));
    qbgen::Manifest manifest;
    QString error;
    QVERIFY2(qbgen::generateBoard(generatedOptions(), root, manifest, &error), qPrintable(error));
    QVERIFY(manifest.posts > 2000 && manifest.attachments > 0 && manifest.links > 0 && manifest.hiddenPages > 0);
    // Character references the tables do not know, for the special-characters report.
    const qbgen::GeneratedPage *withPosts = nullptr;
    for (const qbgen::GeneratedPage &page : manifest.pageList)
        if (page.posts > 0 && !withPosts)
            withPosts = &page;
    QVERIFY(withPosts);
    const QString pagePath = root + QLatin1Char('/') + withPosts->relativePath;
    QByteArray page = qbtest::readBytes(pagePath);
    QVERIFY(page.contains("<!--Text-->"));
    page.replace("<!--Text-->", "<!--Text-->&qbunknown; &zzz; &eacute; ");
    qbtest::writeBytes(pagePath, page);
    m_generated = runBoard(QStringLiteral("generated"), root);
    QVERIFY2(m_generated.failure.isEmpty(), qPrintable(m_generated.failure));

    if (updating()) {
        QDir(demoGolden()).removeRecursively();
        for (auto it = m_demo.files.cbegin(); it != m_demo.files.cend(); ++it)
            qbtest::writeBytes(demoGolden() + QLatin1Char('/') + it.key(), it.value());
        QByteArray lines;
        for (auto it = m_generated.files.cbegin(); it != m_generated.files.cend(); ++it)
            lines += sha256(it.value()) + "  " + it.key().toUtf8() + '\n';
        qbtest::writeBytes(generatedManifest(), lines);
        qInfo("QB_UPDATE_GOLDEN=1: the expected files in %s were rewritten", qPrintable(goldenDir()));
    }
    for (const QString &rel : filesBelow(demoGolden()))
        m_expectedDemo.insert(rel, qbtest::readBytes(demoGolden() + QLatin1Char('/') + rel));
    m_expectedGenerated = readManifest(generatedManifest());
    QVERIFY2(!m_expectedDemo.isEmpty() && !m_expectedGenerated.isEmpty(),
             "No expected files: run once with QB_UPDATE_GOLDEN=1 to record them");
}

void TestGolden::noFileMissingOrExtra_data()
{
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("actual");
    QTest::newRow("demo") << m_expectedDemo.keys() << m_demo.files.keys();
    QTest::newRow("generated") << m_expectedGenerated.keys() << m_generated.files.keys();
}

void TestGolden::noFileMissingOrExtra()
{
    QFETCH(QStringList, expected);
    QFETCH(QStringList, actual);
    const QSet<QString> want(expected.cbegin(), expected.cend()), have(actual.cbegin(), actual.cend());
    QStringList missing = QSet<QString>(want).subtract(have).values(), extra = QSet<QString>(have).subtract(want).values();
    missing.sort();
    extra.sort();
    QVERIFY2(missing.isEmpty() && extra.isEmpty(),
             qPrintable(QStringLiteral("missing: %1\nextra: %2").arg(missing.join(QStringLiteral(", ")),
                                                                      extra.join(QStringLiteral(", ")))));
}

void TestGolden::demoFilesMatch_data()
{
    QTest::addColumn<QString>("file");
    for (const QString &rel : m_expectedDemo.keys())
        QTest::newRow(qPrintable(rel)) << rel;
}

void TestGolden::demoFilesMatch()
{
    QFETCH(QString, file);
    const QByteArray expected = m_expectedDemo.value(file);
    if (!m_demo.files.contains(file))
        QSKIP("not written (reported by noFileMissingOrExtra)");
    const QByteArray actual = m_demo.files.value(file);
    if (actual == expected)
        return;
    const QString actualPath = actualDir(QStringLiteral("demo")) + QLatin1Char('/') + file;
    qbtest::writeBytes(actualPath, actual);
    QFAIL(qPrintable(QStringLiteral("%1 differs (actual file: %2)\n%3")
                         .arg(file, actualPath,
                              unifiedDiff(QStringLiteral("tests/e2e/golden/demo/") + file, expected, actualPath, actual))));
}

void TestGolden::generatedFilesMatch()
{
    QStringList differing;
    for (auto it = m_generated.files.cbegin(); it != m_generated.files.cend(); ++it) {
        if (m_expectedGenerated.contains(it.key()) && m_expectedGenerated.value(it.key()) != sha256(it.value()))
            differing << it.key();
    }
    if (differing.isEmpty())
        return;
    for (const QString &rel : differing)
        qbtest::writeBytes(actualDir(QStringLiteral("generated")) + QLatin1Char('/') + rel, m_generated.files.value(rel));
    QFAIL(qPrintable(QStringLiteral("%1 of %2 files differ from %3 (actual files under %4):\n  %5")
                         .arg(differing.size())
                         .arg(m_generated.files.size())
                         .arg(generatedManifest(), actualDir(QStringLiteral("generated")),
                              differing.join(QStringLiteral("\n  ")))));
}

QTEST_GUILESS_MAIN(TestGolden)
#include "tst_golden.moc"
