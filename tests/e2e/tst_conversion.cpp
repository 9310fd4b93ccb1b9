// Whole conversions loaded into a real MariaDB: the bundled sample and generated boards
// are converted (in process and through the batch command line), the generated script is
// run against phpBB's own tables, and the loaded rows are checked in SQL: counts, ids,
// references between posts, topics and forums, texts read back byte for byte, the forum
// tree, and that phpBB's own sample rows are replaced.
#include "boardgen/BoardGenerator.h"
#include "convert/ConvertController.h"
#include "tests/support/MariaDb.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

using qbtest::MariaDb;
using qbtest::SqlResult;

namespace
{

const QString kAdmin = QStringLiteral("admin");
const QString kWebsite = QStringLiteral("http://www.kestrel-valley-birders.example");
const QString kForumAddress = QStringLiteral("http://forum.kestrel-valley-birders.example/");
const QString kAdminFolder = QStringLiteral("discus_admin_1234567890");
const QString kScriptName = QStringLiteral("Discus Conversion Import SQL.sql");

// One conversion and load.
struct Scenario {
    const char *name;
    bool sample;         // the bundled sample, else a generated board
    const char *charset; // of the generated board's pages
    quint64 seed;
    bool batch;          // through the program's command line, else in process
    const char *schema;  // the database the script is run against (shared/phpbb)
    bool phpbbRowsFirst; // phpBB's sample forum, topic and post are in the tables before the load
    int users, groups;   // phpBB3_Users and phpBB3_Groups
};

const Scenario kScenarios[] = {
    {"sample", true, "utf-8", 0, false, "phpbb3-tables.sql", false, 57, 7},
    {"generated utf-8", false, "utf-8", 11, false, "phpbb3-tables.sql", false, 47, 7},
    {"generated iso-8859-1", false, "iso-8859-1", 12, true, "phpbb3-tables.sql", false, 47, 7},
    {"generated over phpBB's sample rows", false, "utf-8", 13, false, "phpbb3-tables.sql", true, 47, 7},
    {"sample into a fresh phpBB 3.2 board", true, "utf-8", 0, true, "phpbb32-fresh.sql", false, 47, 7},
};

// The bundled sample's totals (samples/README.md).
const int kSampleCategories = 2, kSamplePages = 16, kSamplePagesWithPosts = 12, kSamplePosts = 31, kSampleMembers = 10,
          kSampleUnknownPosters = 1, kSampleGroups = 5;

qbgen::Options generatorOptions(const Scenario &sc)
{
    qbgen::Options o;
    o.seed = sc.seed;
    o.charset = QString::fromLatin1(sc.charset);
    o.categories = 3;
    o.boardsPerCategory = 2;
    o.depth = 2;
    o.fanout = 3;
    o.postsPerPage = 4;
    o.members = 25;
    o.groups = 4;
    o.hiddenEvery = 5;
    o.newestFirstEvery = 4;
    o.unknownEvery = 7;
    o.mixedEvery = 3;
    o.usernameEvery = 6;
    o.announcementEvery = 2;
    o.website = kWebsite;
    o.adminFolder = kAdminFolder;
    return o;
}

// A text as the converter puts it into a row: the characters that would break a row are
// replaced by their bracket tokens.
QString encoded(QString s)
{
    s.replace(QLatin1Char(','), QStringLiteral("([)"));
    s.replace(QChar(0x201E), QStringLiteral("(\\)"));
    s.replace(QLatin1Char('"'), QStringLiteral("(})"));
    s.replace(QChar(0x201D), QStringLiteral("(])"));
    s.replace(QChar(0x201C), QStringLiteral("(|)"));
    s.replace(QLatin1Char('\''), QStringLiteral("({)"));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("(:)"));
    s.replace(QLatin1Char('\n'), QStringLiteral("(:)"));
    s.replace(QLatin1Char('`'), QStringLiteral("(<)"));
    return s;
}

// A member's or group's name as the registries keep it: the token characters and a few
// punctuation sequences dropped, blanks trimmed.
QString cleanedName(QString s)
{
    for (const QChar c : {QChar(u','), QChar(0x201E), QChar(u'"'), QChar(0x201D), QChar(0x201C), QChar(u'\''),
                          QChar(u'`'), QChar(u'?'), QChar(u'^')})
        s.remove(c);
    s.remove(QStringLiteral(" ."));
    s.remove(QStringLiteral("..."));
    return s.trimmed();
}

QString quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// ---- The SQL script and the row files -------------------------------------------------

struct LoadStatement {
    QString path, table;
    bool replace = false;
    QStringList columns;
};

// The LOAD DATA statements of the script, which must have exactly the agreed form.
QList<LoadStatement> loadStatements(const QString &script, QStringList *problems)
{
    static const QRegularExpression re(
        QStringLiteral("LOAD DATA LOCAL INFILE '((?:[^']|'')*)' (REPLACE )?INTO TABLE (\\w+) CHARACTER SET utf8mb4\r\n"
                       "FIELDS TERMINATED BY ','\r\n"
                       "ENCLOSED BY '\"' ESCAPED BY ''LINES TERMINATED BY '\\\\r\\\\n'\r\n"
                       "\\(([\\w,]+)\\);\r\n\r\n\r\n"));
    QList<LoadStatement> out;
    auto it = re.globalMatch(script);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        LoadStatement s;
        const QString raw = m.captured(1);
        for (int i = 0; i < raw.size(); ++i) { // '' and \\ stand for ' and \ in an SQL string
            if ((raw.at(i) == QLatin1Char('\'') || raw.at(i) == QLatin1Char('\\')) && i + 1 < raw.size() &&
                raw.at(i + 1) == raw.at(i))
                ++i;
            s.path += raw.at(i);
        }
        s.replace = !m.captured(2).isEmpty();
        s.table = m.captured(3);
        s.columns = m.captured(4).split(QLatin1Char(','));
        out << s;
    }
    const int all = int(script.count(QStringLiteral("LOAD DATA")));
    if (all != out.size())
        *problems << QStringLiteral("%1 of %2 LOAD DATA statements are not in the agreed form")
                         .arg(all - out.size())
                         .arg(all);
    return out;
}

// Columns that a statement of the script other than the loads sets (their loaded values
// are not expected to survive): "UPDATE <table> SET a = ..., b = ...".
QSet<QString> updatedColumns(const QString &script, const QString &table)
{
    QSet<QString> cols;
    static const QRegularExpression update(QStringLiteral("UPDATE\\s+(\\w+)\\s+SET\\s([^;]*);"));
    static const QRegularExpression assignment(QStringLiteral("\\b(\\w+)\\s*=(?!=)"));
    auto it = update.globalMatch(script);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1).compare(table, Qt::CaseInsensitive) != 0)
            continue;
        auto a = assignment.globalMatch(m.captured(2));
        while (a.hasNext())
            cols << a.next().captured(1);
    }
    return cols;
}

struct Field {
    QString text;
    bool enclosed = false;
};

// Rows of an import file: UTF-8, CR LF after every row, fields separated by "," and texts
// enclosed in double quotes without any escaping.
QList<QVector<Field>> parseRows(const QByteArray &bytes, QString *error)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    QList<QVector<Field>> rows;
    if (utf8.hasError() || bytes.startsWith("\xEF\xBB\xBF")) {
        *error = QStringLiteral("not UTF-8 without byte-order mark");
        return rows;
    }
    if (!text.isEmpty() && !text.endsWith(QStringLiteral("\r\n"))) {
        *error = QStringLiteral("the last row has no CR LF");
        return rows;
    }
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    for (const QString &line : std::as_const(lines)) {
        QVector<Field> fields;
        int pos = 0;
        for (;;) {
            Field f;
            if (pos < line.size() && line.at(pos) == QLatin1Char('"')) {
                int end = pos + 1;
                while ((end = int(line.indexOf(QLatin1Char('"'), end))) >= 0 && end + 1 < line.size() &&
                       line.at(end + 1) != QLatin1Char(','))
                    ++end;
                if (end < 0) {
                    *error = QStringLiteral("unterminated text in row: ") + line.left(200);
                    return rows;
                }
                f.text = line.mid(pos + 1, end - pos - 1);
                f.enclosed = true;
                pos = end + 1;
            } else {
                int end = int(line.indexOf(QLatin1Char(','), pos));
                if (end < 0)
                    end = int(line.size());
                f.text = line.mid(pos, end - pos);
                pos = end;
            }
            fields << f;
            if (pos >= line.size())
                break;
            ++pos; // the ","
            if (pos == line.size()) {
                fields << Field();
                break;
            }
        }
        rows << fields;
    }
    return rows;
}

// ---- The forum tree ------------------------------------------------------------------

// Problems of a nested set given as forum_id, parent_id, left_id, right_id rows: every
// interval inside its parent's, every value 1..2n used once, each interval exactly wide
// enough for the forum's descendants, and siblings in the order their rows were written.
QStringList nestedSetProblems(const QList<QStringList> &rows)
{
    struct Node {
        int parent = 0, left = 0, right = 0;
    };
    QStringList problems;
    QMap<int, Node> nodes;
    QSet<int> values;
    const int n = int(rows.size());
    for (const QStringList &r : rows) {
        const Node node{r.value(1).toInt(), r.value(2).toInt(), r.value(3).toInt()};
        const int id = r.value(0).toInt();
        nodes.insert(id, node);
        if (node.left >= node.right)
            problems << QStringLiteral("forum %1: left_id %2 is not below right_id %3")
                            .arg(id)
                            .arg(node.left)
                            .arg(node.right);
        for (const int v : {node.left, node.right}) {
            if (v < 1 || v > 2 * n)
                problems << QStringLiteral("forum %1: value %2 outside 1..%3").arg(id).arg(v).arg(2 * n);
            else if (values.contains(v))
                problems << QStringLiteral("forum %1: value %2 used twice").arg(id).arg(v);
            values << v;
        }
    }
    QHash<int, int> descendants;
    for (auto it = nodes.cbegin(); it != nodes.cend(); ++it) {
        int depth = 0;
        for (int p = it->parent; p != 0 && depth <= n; p = nodes.value(p).parent, ++depth) {
            if (!nodes.contains(p)) {
                problems << QStringLiteral("forum %1: parent %2 does not exist").arg(it.key()).arg(p);
                break;
            }
            ++descendants[p];
        }
        if (depth > n)
            problems << QStringLiteral("forum %1: its parents form a circle").arg(it.key());
        if (it->parent != 0 && nodes.contains(it->parent)) {
            const Node parent = nodes.value(it->parent);
            if (!(parent.left < it->left && it->right < parent.right))
                problems << QStringLiteral("forum %1 [%2,%3] is not inside its parent %4 [%5,%6]")
                                .arg(it.key())
                                .arg(it->left)
                                .arg(it->right)
                                .arg(it->parent)
                                .arg(parent.left)
                                .arg(parent.right);
        }
    }
    QHash<int, int> lastLeftOfParent;
    for (auto it = nodes.cbegin(); it != nodes.cend(); ++it) {
        const int below = descendants.value(it.key());
        if (it->right - it->left - 1 != 2 * below)
            problems << QStringLiteral("forum %1 [%2,%3] has %4 descendants")
                            .arg(it.key())
                            .arg(it->left)
                            .arg(it->right)
                            .arg(below);
        if (lastLeftOfParent.value(it->parent) > it->left)
            problems << QStringLiteral("forum %1 comes before an earlier sibling").arg(it.key());
        lastLeftOfParent[it->parent] = it->left;
    }
    return problems;
}

QString firstLines(const QStringList &list, int n = 12)
{
    QString s = list.mid(0, n).join(QLatin1Char('\n'));
    if (list.size() > n)
        s += QStringLiteral("\n... and %1 more").arg(list.size() - n);
    return s;
}

QString rowsText(const QList<QStringList> &rows)
{
    QStringList lines;
    for (const QStringList &r : rows)
        lines << r.join(QStringLiteral(" | "));
    return firstLines(lines);
}

// Lines of the error log other than the start time, the closing report and the notice of a
// missing special-character table.
QStringList errorLogProblems(const QString &out)
{
    QStringList problems;
    const QStringList lines = qbtest::readText(out + QStringLiteral("/LogError.txt")).split(QStringLiteral("\r\n"));
    for (const QString &line : lines) {
        const QString l = line.trimmed();
        if (l.isEmpty() || l == QChar(0xFEFF) || l.startsWith(QLatin1String("Conversion Start")) ||
            l.startsWith(QLatin1String("Conversion Stop: ")) || l.startsWith(QLatin1String("Elapsed Time: ")) ||
            l.startsWith(QLatin1String("Replacable character array file")) ||
            l == QLatin1String("Continuing without it..."))
            continue;
        problems << line;
    }
    return problems;
}

// What one scenario produced.
struct Loaded {
    Scenario sc{};
    QString db, root, out;
    qbgen::Manifest manifest;                                     // generated boards
    int forums = 0, topics = 0, posts = 0, users = 0, groups = 0; // converted rows expected
    int preUsers = 0, preGroups = 0;                              // rows the database held already
    QStringList categoryNames;                                    // as in the main board file
    QString failure;                                              // why the scenario could not be converted or loaded
    SqlResult load;
    QString script;
};

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT
    MariaDb m_db;
    QTemporaryDir m_tmp;
    std::map<QString, Loaded> m_loaded;

    QString convertInProcess(const Loaded &l, const QString &ini);
    QString convertInBatch(const Loaded &l, const QString &ini);
    void prepare(const Scenario &sc);
    const Loaded *current(); // the scenario of the current data row, or fail
    QList<QStringList> rows(const QString &db, const QString &sql, bool *ok);
    static void addScenarios();

private slots:
    void initTestCase();
    void conversionCompletes_data() { addScenarios(); }
    void conversionCompletes();
    void scriptLoadsWithoutWarnings_data() { addScenarios(); }
    void scriptLoadsWithoutWarnings();
    void rowCountsMatchTheBoard_data() { addScenarios(); }
    void rowCountsMatchTheBoard();
    void idsAreConsecutive_data() { addScenarios(); }
    void idsAreConsecutive();
    void postsTopicsAndForumsReferToEachOther_data() { addScenarios(); }
    void postsTopicsAndForumsReferToEachOther();
    void rowsReadBackAsTheFilesHoldThem_data() { addScenarios(); }
    void rowsReadBackAsTheFilesHoldThem();
    void forumTreeIsANestedSet_data() { addScenarios(); }
    void forumTreeIsANestedSet();
    void generatedBoardArrivesPageByPage_data();
    void generatedBoardArrivesPageByPage();
    void sampleTextsArriveExactly_data();
    void sampleTextsArriveExactly();
    void phpbbSampleRowsAreReplaced_data();
    void phpbbSampleRowsAreReplaced();
};

void TestConversion::addScenarios()
{
    QTest::addColumn<QString>("scenario");
    for (const Scenario &sc : kScenarios)
        QTest::newRow(sc.name) << QString::fromLatin1(sc.name);
}

void TestConversion::initTestCase()
{
    QString why;
    QVERIFY2(MariaDb::available(&why), qPrintable(why + QStringLiteral(" - run scripts/setup.sh")));
    QVERIFY2(m_tmp.isValid(), qPrintable(m_tmp.errorString()));
    QVERIFY2(m_db.start(), qPrintable(m_db.lastError()));
    for (const Scenario &sc : kScenarios)
        prepare(sc);
}

QString TestConversion::convertInProcess(const Loaded &l, const QString &ini)
{
    qbtest::RecorderView view;
    ConvertController ctl(view, ini, qbtest::sourceDir() + QLatin1Char('/'));
    ctl.DocsFolder = qbtest::sourceDir() + QStringLiteral("/Docs/");
    view.setText(QStringLiteral("txtDiscusRootFolder"), l.root + QLatin1Char('/'));
    view.setText(QStringLiteral("txtDiscusMessageFolder"), l.root + QStringLiteral("/discus/messages/"));
    view.setText(QStringLiteral("txtDiscusSecureMessageFolder"),
                 l.root + QLatin1Char('/') + kAdminFolder + QStringLiteral("/secure/"));
    view.setText(QStringLiteral("txtDiscusMainFolder"), l.root + QLatin1Char('/') + kAdminFolder + QLatin1Char('/'));
    view.setText(QStringLiteral("txtphpBB3OutputFolder"), l.out + QLatin1Char('/'));
    view.setText(QStringLiteral("txtphpBB3AttachmentsFolder"), l.out + QStringLiteral("/Attachments/"));
    view.setText(QStringLiteral("txtDiscusWebsite"), kWebsite);
    view.setText(QStringLiteral("txtphpBB3ForumAddr"), kForumAddress);
    view.setText(QStringLiteral("txtSplitMBSize"), QStringLiteral("50"));
    view.setText(QStringLiteral("txtDefaultAdmin"), kAdmin);
    view.setText(QStringLiteral("txtDefaultUsers"), QString::number(l.sc.users));
    view.setText(QStringLiteral("txtDefaultGroups"), QString::number(l.sc.groups));
    view.setText(QStringLiteral("cboCharset"), QString::fromLatin1(l.sc.charset));
    ctl.txtDefaultUsers_LostFocus();
    ctl.txtDefaultGroups_LostFocus();
    ctl.cmdConvert_Click();
    if (ctl.LastRunResult != ConvertController::RunResult::Completed)
        return QStringLiteral("The run did not complete:\n") + view.messages.join(QLatin1Char('\n'));
    // The closing report is the only message box of a clean run.
    if (view.messages != QStringList{ctl.LastReport})
        return QStringLiteral("Message boxes:\n") + view.messages.join(QStringLiteral("\n--\n"));
    return QString();
}

QString TestConversion::convertInBatch(const Loaded &l, const QString &ini)
{
    const QString program = qEnvironmentVariable("QB_PROGRAM", qbtest::buildDir() + QStringLiteral("/quillbridge"));
    const QStringList args{QStringLiteral("--convert"),
                           QStringLiteral("--settings"),
                           ini,
                           QStringLiteral("--set"),
                           QStringLiteral("DiscusRootFolder=") + l.root,
                           QStringLiteral("--set"),
                           QStringLiteral("phpBB3_OutputFolder=") + l.out,
                           QStringLiteral("--set"),
                           QStringLiteral("DiscusWebsite=") + kWebsite,
                           QStringLiteral("--set"),
                           QStringLiteral("phpBB3ForumAddr=") + kForumAddress,
                           QStringLiteral("--set"),
                           QStringLiteral("phpBB3_Admin=") + kAdmin,
                           QStringLiteral("--set"),
                           QStringLiteral("phpBB3_Users=%1").arg(l.sc.users),
                           QStringLiteral("--set"),
                           QStringLiteral("phpBB3_Groups=%1").arg(l.sc.groups),
                           QStringLiteral("--set"),
                           QStringLiteral("Charset=") + QString::fromLatin1(l.sc.charset),
                           QStringLiteral("--set"),
                           QStringLiteral("Display=1"),
                           QStringLiteral("--set"),
                           QStringLiteral("Log=1")};
    QProcess p;
    const QString stdoutFile = ini + QStringLiteral(".stdout"), stderrFile = ini + QStringLiteral(".stderr");
    p.setStandardOutputFile(stdoutFile);
    p.setStandardErrorFile(stderrFile);
    p.start(program, args);
    if (!p.waitForStarted(30000))
        return QStringLiteral("Cannot start %1: %2").arg(program, p.errorString());
    if (!p.waitForFinished(10 * 60 * 1000)) {
        p.kill();
        p.waitForFinished(5000);
        return QStringLiteral("The batch conversion did not finish in time");
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("quillbridge --convert exited with %1:\n%2")
            .arg(p.exitStatus() == QProcess::NormalExit ? QString::number(p.exitCode()) : QStringLiteral("a crash"),
                 QString::fromUtf8(qbtest::readBytes(stderrFile)).right(3000));
    return QString();
}

void TestConversion::prepare(const Scenario &sc)
{
    Loaded &l = m_loaded[QString::fromLatin1(sc.name)];
    l.sc = sc;
    l.db = QStringLiteral("qb%1").arg(m_loaded.size());
    const QString base = m_tmp.filePath(l.db);
    l.out = base + QStringLiteral("/output");
    const bool fresh = QString::fromLatin1(sc.schema) != QLatin1String("phpbb3-tables.sql");
    l.preUsers = fresh ? sc.users : 0;
    l.preGroups = fresh ? sc.groups : 0;
    if (sc.sample) {
        l.root = qbtest::sourceDir() + QStringLiteral("/samples/discus");
        l.forums = kSampleCategories + kSamplePages;
        l.topics = kSamplePagesWithPosts;
        l.posts = kSamplePosts;
        l.users = kSampleMembers + kSampleUnknownPosters;
        l.groups = kSampleGroups;
        l.categoryNames = {QStringLiteral("Birds and Birding"), QStringLiteral("Club Life")};
    } else {
        l.root = base + QStringLiteral("/board");
        QString error;
        if (!qbgen::generateBoard(generatorOptions(sc), l.root, l.manifest, &error)) {
            l.failure = QStringLiteral("The board could not be generated: ") + error;
            return;
        }
        const qbgen::Manifest &m = l.manifest;
        l.forums = m.categories + m.pages;
        l.topics = m.pagesWithPosts;
        l.posts = m.posts;
        l.users = m.members + m.unknownPosters;
        l.groups = m.groups;
        l.categoryNames = m.categoryNames;
    }

    const QString ini = base + QStringLiteral("/quillbridge.ini");
    QDir().mkpath(base);
    l.failure = sc.batch ? convertInBatch(l, ini) : convertInProcess(l, ini);
    if (!l.failure.isEmpty())
        return;
    l.script = QString::fromUtf8(qbtest::readBytes(l.out + QLatin1Char('/') + kScriptName));

    if (!m_db.createDatabase(l.db)) {
        l.failure = QStringLiteral("CREATE DATABASE failed: ") + m_db.lastError();
        return;
    }
    const QString schema = qbtest::sharedDir() + QStringLiteral("/phpbb/") + QString::fromLatin1(sc.schema);
    const SqlResult tables = m_db.runFile(l.db, schema);
    if (!tables.ok() || !tables.warnings.isEmpty()) {
        l.failure = schema + QStringLiteral(" did not load cleanly: ") + tables.describe();
        return;
    }
    if (sc.phpbbRowsFirst) {
        // phpBB's own sample category, forum, topic and post, as its installer writes them.
        QStringList inserts;
        const QString fresh32 =
            QString::fromUtf8(qbtest::readBytes(qbtest::sharedDir() + QStringLiteral("/phpbb/phpbb32-fresh.sql")));
        for (const QString &line : fresh32.split(QLatin1Char('\n')))
            for (const char *t : {"forums", "topics", "posts"})
                if (line.startsWith(QStringLiteral("INSERT INTO `phpBB3_%1` ").arg(QLatin1String(t))))
                    inserts << line;
        const SqlResult r = m_db.exec(l.db, inserts.join(QLatin1Char('\n')));
        if (inserts.size() != 4 || !r.ok() || !r.warnings.isEmpty()) {
            l.failure = QStringLiteral("phpBB's sample rows (%1 statements) did not go in: ").arg(inserts.size()) +
                        r.describe();
            return;
        }
    }
    l.load = m_db.runScript(l.db, l.out + QLatin1Char('/') + kScriptName);
}

const Loaded *TestConversion::current()
{
    QFETCH(QString, scenario);
    const auto it = m_loaded.find(scenario);
    if (it == m_loaded.end()) {
        QTest::qFail("the scenario was not prepared (see initTestCase)", __FILE__, __LINE__);
        return nullptr;
    }
    if (!it->second.failure.isEmpty()) {
        QTest::qFail(qPrintable(it->second.failure), __FILE__, __LINE__);
        return nullptr;
    }
    return &it->second;
}

QList<QStringList> TestConversion::rows(const QString &db, const QString &sql, bool *ok)
{
    const SqlResult r = m_db.query(db, sql);
    if (!r.ok()) {
        *ok = false;
        qWarning().noquote() << "Query failed:" << sql << '\n' << r.describe();
    }
    return r.rows;
}

// ---- Tests ---------------------------------------------------------------------------

void TestConversion::conversionCompletes()
{
    const Loaded *l = current();
    if (!l)
        return;
    const QStringList problems = errorLogProblems(l->out);
    QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("LogError.txt:\n") + firstLines(problems)));
    // One statement per import file, and an import file behind every statement.
    QStringList problemsOfScript;
    const QList<LoadStatement> statements = loadStatements(l->script, &problemsOfScript);
    QVERIFY2(problemsOfScript.isEmpty(), qPrintable(problemsOfScript.join(QLatin1Char('\n'))));
    QStringList listed, files;
    for (const LoadStatement &s : statements) {
        listed << QFileInfo(s.path).fileName();
        QCOMPARE(QFileInfo(s.path).absolutePath(), QFileInfo(l->out).absoluteFilePath());
        QCOMPARE(s.replace, s.table == QLatin1String("phpBB3_forums") || s.table == QLatin1String("phpBB3_topics") ||
                                s.table == QLatin1String("phpBB3_posts"));
        QVERIFY2(QFileInfo(s.path).fileName().startsWith(s.table), qPrintable(s.path));
    }
    for (const QString &f : QDir(l->out).entryList({QStringLiteral("phpBB3_*.txt")}, QDir::Files))
        files << f;
    listed.sort();
    QCOMPARE(listed, files);
    for (const char *t : {"forums", "topics", "posts", "users", "groups"})
        QVERIFY2(files.contains(QStringLiteral("phpBB3_") + QLatin1String(t) + QStringLiteral("1.txt")), t);
}

void TestConversion::scriptLoadsWithoutWarnings()
{
    const Loaded *l = current();
    if (!l)
        return;
    QVERIFY2(l->load.ok(), qPrintable(l->load.describe()));
    QCOMPARE(l->load.warnings, QStringList());
}

void TestConversion::rowCountsMatchTheBoard()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    const QList<QStringList> counts = rows(
        l->db,
        QStringLiteral("SELECT (SELECT COUNT(*) FROM phpBB3_forums), (SELECT COUNT(*) FROM phpBB3_topics), "
                       "(SELECT COUNT(*) FROM phpBB3_posts), (SELECT COUNT(*) FROM phpBB3_users WHERE user_id > %1), "
                       "(SELECT COUNT(*) FROM phpBB3_groups WHERE group_id > %2), "
                       "(SELECT COUNT(*) FROM phpBB3_users WHERE user_id <= %1), "
                       "(SELECT COUNT(*) FROM phpBB3_groups WHERE group_id <= %2), "
                       "(SELECT COUNT(*) FROM phpBB3_users WHERE username = '%3')")
            .arg(l->sc.users)
            .arg(l->sc.groups)
            .arg(kAdmin),
        &ok);
    QVERIFY(ok);
    const QStringList expected{QString::number(l->forums), QString::number(l->topics), QString::number(l->posts),
                               QString::number(l->users), QString::number(l->groups), QString::number(l->preUsers),
                               QString::number(l->preGroups),
                               // The administrator is phpBB's own account: present only in a real board.
                               QString::number(l->preUsers > 0 ? 1 : 0)};
    QCOMPARE(counts.value(0), expected);
}

void TestConversion::idsAreConsecutive()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    auto range = [&](const QString &table, const QString &id, int after) {
        const QString sql = QStringLiteral("SELECT COUNT(DISTINCT %2), MIN(%2), MAX(%2) FROM %1 WHERE %2 > %3")
                                .arg(table, id)
                                .arg(after);
        return rows(l->db, sql, &ok).value(0);
    };
    auto expected = [](int first, int count) {
        return QStringList{QString::number(count), QString::number(first), QString::number(first + count - 1)};
    };
    QCOMPARE(range(QStringLiteral("phpBB3_forums"), QStringLiteral("forum_id"), 0), expected(1, l->forums));
    QCOMPARE(range(QStringLiteral("phpBB3_topics"), QStringLiteral("topic_id"), 0), expected(1, l->topics));
    QCOMPARE(range(QStringLiteral("phpBB3_posts"), QStringLiteral("post_id"), 0), expected(1, l->posts));
    QCOMPARE(range(QStringLiteral("phpBB3_users"), QStringLiteral("user_id"), l->sc.users),
             expected(l->sc.users + 1, l->users));
    QCOMPARE(range(QStringLiteral("phpBB3_groups"), QStringLiteral("group_id"), l->sc.groups),
             expected(l->sc.groups + 1, l->groups));
    QVERIFY(ok);
}

void TestConversion::postsTopicsAndForumsReferToEachOther()
{
    const Loaded *l = current();
    if (!l)
        return;
    // Each query lists the rows that break one rule; every list must be empty.
    const struct {
        const char *rule;
        const char *sql;
    } rules[] = {
        {"every post's topic exists",
         "SELECT p.post_id, p.topic_id FROM phpBB3_posts p LEFT JOIN phpBB3_topics t ON t.topic_id = p.topic_id "
         "WHERE t.topic_id IS NULL"},
        {"every post's forum exists",
         "SELECT p.post_id, p.forum_id FROM phpBB3_posts p LEFT JOIN phpBB3_forums f ON f.forum_id = p.forum_id "
         "WHERE f.forum_id IS NULL"},
        {"every topic's forum exists",
         "SELECT t.topic_id, t.forum_id FROM phpBB3_topics t LEFT JOIN phpBB3_forums f ON f.forum_id = t.forum_id "
         "WHERE f.forum_id IS NULL"},
        {"a post's forum is its topic's forum",
         "SELECT p.post_id, p.forum_id, t.topic_id, t.forum_id FROM phpBB3_posts p "
         "JOIN phpBB3_topics t ON t.topic_id = p.topic_id WHERE p.forum_id <> t.forum_id"},
        {"a topic's first and last post belong to it",
         "SELECT t.topic_id, t.topic_first_post_id, f.topic_id, t.topic_last_post_id, z.topic_id FROM phpBB3_topics t "
         "LEFT JOIN phpBB3_posts f ON f.post_id = t.topic_first_post_id "
         "LEFT JOIN phpBB3_posts z ON z.post_id = t.topic_last_post_id "
         "WHERE f.topic_id IS NULL OR z.topic_id IS NULL OR f.topic_id <> t.topic_id OR z.topic_id <> t.topic_id"},
        {"topic_first_post_id <= topic_last_post_id",
         "SELECT topic_id, topic_first_post_id, topic_last_post_id FROM phpBB3_topics "
         "WHERE topic_first_post_id > topic_last_post_id"},
        {"a topic's first and last post are its oldest and newest, with the topic's times and posters",
         "SELECT t.topic_id, t.topic_time, f.post_time, t.topic_last_post_time, z.post_time, t.topic_poster, "
         "f.poster_id, "
         "t.topic_last_poster_id, z.poster_id, a.oldest, a.newest FROM phpBB3_topics t "
         "JOIN phpBB3_posts f ON f.post_id = t.topic_first_post_id JOIN phpBB3_posts z ON z.post_id = "
         "t.topic_last_post_id "
         "JOIN (SELECT topic_id, MIN(post_time) oldest, MAX(post_time) newest FROM phpBB3_posts GROUP BY topic_id) a "
         "ON a.topic_id = t.topic_id "
         "WHERE t.topic_time <> a.oldest OR t.topic_last_post_time <> a.newest OR f.post_time <> a.oldest "
         "OR z.post_time <> a.newest OR t.topic_poster <> f.poster_id OR t.topic_last_poster_id <> z.poster_id"},
        {"topic_posts_approved is the topic's number of posts",
         "SELECT t.topic_id, t.topic_posts_approved, COUNT(p.post_id) FROM phpBB3_topics t "
         "LEFT JOIN phpBB3_posts p ON p.topic_id = t.topic_id GROUP BY t.topic_id, t.topic_posts_approved "
         "HAVING COUNT(p.post_id) <> t.topic_posts_approved"},
        {"every poster is a converted user or the administrator (2)",
         "SELECT p.post_id, p.poster_id FROM phpBB3_posts p LEFT JOIN phpBB3_users u ON u.user_id = p.poster_id "
         "WHERE u.user_id IS NULL AND p.poster_id <> 2"},
        {"a user's post count is the number of posts loaded for the user",
         "SELECT u.user_id, u.user_posts, COUNT(p.post_id) FROM phpBB3_users u "
         "LEFT JOIN phpBB3_posts p ON p.poster_id = u.user_id WHERE u.user_id > %1 "
         "GROUP BY u.user_id, u.user_posts HAVING COUNT(p.post_id) <> u.user_posts"},
        {"every post counts toward its poster (post_postcount 1)",
         "SELECT post_id, post_postcount FROM phpBB3_posts WHERE post_postcount <> 1"},
        {"a user's default group is a converted group or none",
         "SELECT u.user_id, u.group_id FROM phpBB3_users u LEFT JOIN phpBB3_groups g ON g.group_id = u.group_id "
         "WHERE u.user_id > %1 AND u.group_id <> 0 AND (g.group_id IS NULL OR g.group_id <= %2)"},
    };
    QStringList failures;
    for (const auto &r : rules) {
        bool ok = true;
        const QList<QStringList> broken = rows(l->db,
                                               QString::fromLatin1(r.sql)
                                                   .replace(QStringLiteral("%1"), QString::number(l->sc.users))
                                                   .replace(QStringLiteral("%2"), QString::number(l->sc.groups)),
                                               &ok);
        if (!ok)
            failures << QStringLiteral("%1: the query failed").arg(QLatin1String(r.rule));
        else if (!broken.isEmpty())
            failures << QStringLiteral("%1: %2 rows break it, first:\n%3")
                            .arg(QLatin1String(r.rule))
                            .arg(broken.size())
                            .arg(rowsText(broken));
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QStringLiteral("\n\n"))));
}

void TestConversion::rowsReadBackAsTheFilesHoldThem()
{
    const Loaded *l = current();
    if (!l)
        return;
    QStringList problems;
    const QList<LoadStatement> statements = loadStatements(l->script, &problems);
    QVERIFY(!statements.isEmpty());
    // All rows of every table's files, by the first column (the table's key).
    QMap<QString, QStringList> columnsOf;
    QMap<QString, QMap<qint64, QVector<Field>>> fileRows;
    for (const LoadStatement &s : statements) {
        QString error;
        const QList<QVector<Field>> parsed = parseRows(qbtest::readBytes(s.path), &error);
        QVERIFY2(error.isEmpty(), qPrintable(s.path + QStringLiteral(": ") + error));
        QVERIFY2(!columnsOf.contains(s.table) || columnsOf.value(s.table) == s.columns, qPrintable(s.table));
        columnsOf[s.table] = s.columns;
        for (const QVector<Field> &row : parsed) {
            QVERIFY2(row.size() == s.columns.size(),
                     qPrintable(QStringLiteral("%1: a row has %2 fields for %3 columns: %4")
                                    .arg(s.path)
                                    .arg(row.size())
                                    .arg(s.columns.size())
                                    .arg(row.value(0).text)));
            bool numeric = false;
            const qint64 key = row.at(0).text.toLongLong(&numeric);
            QVERIFY2(numeric && !row.at(0).enclosed, qPrintable(s.path + QStringLiteral(": key ") + row.at(0).text));
            QVERIFY2(!fileRows[s.table].contains(key),
                     qPrintable(QStringLiteral("%1: key %2 written twice").arg(s.table).arg(key)));
            fileRows[s.table].insert(key, row);
        }
    }

    // Every converted text of the tables, in the files and in the database alike.
    QString allTexts;
    for (auto t = fileRows.cbegin(); t != fileRows.cend(); ++t) {
        const QString &table = t.key();
        const QStringList &columns = columnsOf.value(table);
        const QSet<QString> skipped = updatedColumns(l->script, table);
        bool ok = true;
        const QList<QStringList> dbRows =
            rows(l->db,
                 QStringLiteral("SELECT %1 FROM %2 WHERE %3 BETWEEN %4 AND %5 ORDER BY %3")
                     .arg(columns.join(QLatin1Char(',')), table, columns.first())
                     .arg(t->firstKey())
                     .arg(t->lastKey()),
                 &ok);
        QVERIFY(ok);
        QMap<qint64, QStringList> byKey;
        for (const QStringList &r : dbRows)
            byKey.insert(r.value(0).toLongLong(), r);
        for (auto row = t->cbegin(); row != t->cend(); ++row) {
            if (!byKey.contains(row.key())) {
                problems
                    << QStringLiteral("%1 %2 %3 is not in the database").arg(table, columns.first()).arg(row.key());
                continue;
            }
            const QStringList &db = byKey.value(row.key());
            for (int c = 0; c < columns.size(); ++c) {
                const Field &f = row->at(c);
                if (f.enclosed)
                    allTexts += f.text + QLatin1Char('\n');
                if (skipped.contains(columns.at(c)))
                    continue;
                const QString got = db.value(c);
                // An empty bare field loads as the column's empty value.
                if (got == f.text || (!f.enclosed && f.text.isEmpty() && got == QLatin1String("0")))
                    continue;
                problems << QStringLiteral("%1 %2 %3, %4:\n  file:     %5\n  database: %6")
                                .arg(table, columns.first())
                                .arg(row.key())
                                .arg(columns.at(c), quoted(f.text), quoted(got));
            }
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(firstLines(problems)));

    // The comparison covered the texts that are easy to garble: letters beyond ASCII, the
    // tokens of U+201E (with its backslash), the apostrophe and the comma.
    const QString letters = QString::fromUtf8(l->sc.sample || QByteArray(l->sc.charset) == "utf-8" ? "łŁęń" : "éüöñ");
    bool nonAscii = false;
    for (const QChar c : letters)
        nonAscii |= allTexts.contains(c);
    QVERIFY2(nonAscii, qPrintable(QStringLiteral("no text holds any of ") + letters));
    QVERIFY(allTexts.contains(QStringLiteral("({)")));
    QVERIFY(allTexts.contains(QStringLiteral("([)")));
    if (QByteArray(l->sc.charset) == "utf-8")
        QVERIFY(allTexts.contains(QStringLiteral("(\\)")));
    // Nothing was decoded twice or with the wrong character set.
    QVERIFY2(!allTexts.contains(QChar(0xFFFD)), "U+FFFD in a text");
    static const QRegularExpression mojibake(QStringLiteral("[\u00C3\u00C2\u00C5][\u0080-\u00BF]"));
    const QRegularExpressionMatch garbled = mojibake.match(allTexts);
    QVERIFY2(!garbled.hasMatch(), qPrintable(QStringLiteral("garbled text: ") +
                                             allTexts.mid(qMax(0, int(garbled.capturedStart()) - 40), 80)));
}

void TestConversion::forumTreeIsANestedSet()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    const QList<QStringList> forums =
        rows(l->db,
             QStringLiteral("SELECT forum_id, parent_id, left_id, right_id FROM phpBB3_forums ORDER BY forum_id"), &ok);
    QVERIFY(ok);
    QCOMPARE(int(forums.size()), l->forums);
    const QStringList problems = nestedSetProblems(forums);
    QVERIFY2(problems.isEmpty(), qPrintable(firstLines(problems)));
    // The categories are the top level.
    QCOMPARE(
        rows(l->db, QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums WHERE parent_id = 0"), &ok).value(0).value(0),
        QString::number(l->categoryNames.size()));
}

void TestConversion::generatedBoardArrivesPageByPage_data()
{
    QTest::addColumn<QString>("scenario");
    for (const Scenario &sc : kScenarios)
        if (!sc.sample)
            QTest::newRow(sc.name) << QString::fromLatin1(sc.name);
}

void TestConversion::generatedBoardArrivesPageByPage()
{
    const Loaded *l = current();
    if (!l)
        return;
    const qbgen::Manifest &m = l->manifest;
    QVERIFY(m.hiddenPosts > 0 && m.newestFirstPages > 0 && m.mixedPages > 0 && m.unknownPosts > 0);
    bool ok = true;
    QMap<int, QStringList> forums;
    for (const QStringList &r :
         rows(l->db, QStringLiteral("SELECT forum_id, parent_id, forum_name FROM phpBB3_forums"), &ok))
        forums.insert(r.value(0).toInt(), r);
    QMultiMap<int, QStringList> topics;
    for (const QStringList &r : rows(
             l->db,
             QStringLiteral("SELECT forum_id, topic_id, topic_title, topic_posts_approved, topic_time, "
                            "topic_last_post_time, topic_first_poster_name, topic_last_poster_name FROM phpBB3_topics"),
             &ok))
        topics.insert(r.value(0).toInt(), r);
    QMultiMap<int, QStringList> posts; // by topic
    for (const QStringList &r :
         rows(l->db, QStringLiteral("SELECT topic_id, poster_ip, post_subject, post_time FROM phpBB3_posts"), &ok))
        posts.insert(r.value(0).toInt(), r);
    QVERIFY(ok);

    QStringList problems;
    auto expect = [&](const QString &what, const QString &got, const QString &want) {
        if (got != want)
            problems << QStringLiteral("%1: %2, expected %3").arg(what, quoted(got), quoted(want));
    };
    // Forums are written depth first: each category, then its boards and their pages.
    QVector<int> forumOfPage(m.pageList.size());
    QVector<int> forumOfCategory(m.categories);
    int forumId = 0, category = -1;
    for (int i = 0; i < m.pageList.size(); ++i) {
        while (category < m.pageList.at(i).category)
            forumOfCategory[++category] = ++forumId;
        forumOfPage[i] = ++forumId;
    }
    for (int c = 0; c < m.categories; ++c) {
        expect(QStringLiteral("category %1 name").arg(c + 1), forums.value(forumOfCategory.at(c)).value(2),
               encoded(m.categoryNames.at(c)));
        expect(QStringLiteral("category %1 parent").arg(c + 1), forums.value(forumOfCategory.at(c)).value(1),
               QStringLiteral("0"));
    }
    for (int i = 0; i < m.pageList.size(); ++i) {
        const qbgen::GeneratedPage &page = m.pageList.at(i);
        const int id = forumOfPage.at(i);
        const QString where = QStringLiteral("page %1 (forum %2)").arg(page.relativePath).arg(id);
        expect(where + QStringLiteral(" name"), forums.value(id).value(2), encoded(page.name));
        expect(where + QStringLiteral(" parent"), forums.value(id).value(1),
               QString::number(page.parent < 0 ? forumOfCategory.at(page.category) : forumOfPage.at(page.parent)));
        const QList<QStringList> topicRows = topics.values(id);
        if (page.posts == 0) {
            if (!topicRows.isEmpty())
                problems << where + QStringLiteral(" has no posts but a topic");
            continue;
        }
        if (topicRows.size() != 1) {
            problems << where + QStringLiteral(" has %1 topics").arg(topicRows.size());
            continue;
        }
        const QStringList &t = topicRows.first();
        expect(where + QStringLiteral(" topic_title"), t.value(2), encoded(page.name));
        expect(where + QStringLiteral(" topic_posts_approved"), t.value(3), QString::number(page.posts));
        expect(where + QStringLiteral(" topic_time"), t.value(4), QString::number(page.oldestTime));
        expect(where + QStringLiteral(" topic_last_post_time"), t.value(5), QString::number(page.newestTime));
        expect(where + QStringLiteral(" topic_first_poster_name"), t.value(6), cleanedName(page.oldestPoster));
        expect(where + QStringLiteral(" topic_last_poster_name"), t.value(7), cleanedName(page.newestPoster));
        // Every post of the page, by its Discus reference (topic ^ page ^ post number).
        QStringList want, got;
        for (int k = 0; k < page.posts; ++k)
            want << QStringLiteral("%1^%2^%3").arg(page.board, page.number).arg(page.firstPostNumber + k);
        for (const QStringList &p : posts.values(t.value(1).toInt())) {
            got << p.value(1);
            expect(where + QStringLiteral(" post_subject"), p.value(2), encoded(page.linkText));
            const qint64 time = p.value(3).toLongLong();
            if (time < page.oldestTime || time > page.newestTime)
                problems << where + QStringLiteral(" post time %1 outside the page's").arg(time);
        }
        got.sort();
        want.sort();
        if (got != want)
            problems << where + QStringLiteral(" posts %1, expected %2")
                                    .arg(got.join(QLatin1Char(' ')), want.join(QLatin1Char(' ')));
    }

    // Members in the order of the member file, then unknown posters as they were met.
    const QList<QStringList> users = rows(
        l->db,
        QStringLiteral("SELECT user_id, username, user_posts, group_id, user_email FROM phpBB3_users ORDER BY user_id"),
        &ok);
    const QList<QStringList> groups =
        rows(l->db, QStringLiteral("SELECT group_id, group_name FROM phpBB3_groups ORDER BY group_id"), &ok);
    QVERIFY(ok);
    QCOMPARE(int(users.size()), int(m.memberList.size()));
    QHash<QString, int> groupIds;
    for (int g = 0; g < m.groupNames.size(); ++g) {
        groupIds.insert(m.groupNames.at(g), l->sc.groups + 1 + g);
        expect(QStringLiteral("group %1").arg(l->sc.groups + 1 + g), groups.value(g).value(1),
               cleanedName(m.groupNames.at(g)));
    }
    for (int i = 0; i < m.memberList.size(); ++i) {
        const qbgen::GeneratedMember &member = m.memberList.at(i);
        const QStringList &u = users.at(i);
        const QString where = QStringLiteral("user %1 (%2)").arg(l->sc.users + 1 + i).arg(member.realName);
        expect(where + QStringLiteral(" user_id"), u.value(0), QString::number(l->sc.users + 1 + i));
        expect(where + QStringLiteral(" username"), u.value(1),
               cleanedName(member.unknown ? member.realName : member.username));
        expect(where + QStringLiteral(" user_posts"), u.value(2), QString::number(member.posts));
        expect(where + QStringLiteral(" group_id"), u.value(3),
               QString::number(member.groups.isEmpty() ? 0 : groupIds.value(member.groups.first())));
        expect(where + QStringLiteral(" user_email"), u.value(4), member.email.toLower());
    }
    QVERIFY2(problems.isEmpty(), qPrintable(firstLines(problems, 20)));
}

void TestConversion::sampleTextsArriveExactly_data()
{
    QTest::addColumn<QString>("scenario");
    for (const Scenario &sc : kScenarios)
        if (sc.sample)
            QTest::newRow(sc.name) << QString::fromLatin1(sc.name);
}

void TestConversion::sampleTextsArriveExactly()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    auto scalar = [&](const QString &sql) { return rows(l->db, sql, &ok).value(0).value(0); };
    auto forumId = [&](const QString &name) {
        return scalar(
            QStringLiteral("SELECT GROUP_CONCAT(forum_id) FROM phpBB3_forums WHERE forum_name = '%1'").arg(name));
    };
    // Names with letters beyond ASCII, U+201E/U+201C, an apostrophe and a comma.
    QCOMPARE(forumId(QStringLiteral("Birds and Birding")), QStringLiteral("1"));
    QCOMPARE(forumId(QStringLiteral("Waders([) Gulls and Terns")), QStringLiteral("8"));
    QCOMPARE(forumId(QStringLiteral("Ringing Report: Curlew (\\\\)K7(|) Resighted")), QStringLiteral("10"));
    QCOMPARE(forumId(QStringLiteral("Members({) Café")), QStringLiteral("16"));
    QCOMPARE(forumId(QStringLiteral("Coach Trip to the Müritz")), QStringLiteral("15"));
    QCOMPARE(scalar(QStringLiteral("SELECT topic_title FROM phpBB3_topics WHERE forum_id = 10")),
             QStringLiteral("Ringing Report: Curlew (\\)K7(|) Resighted"));
    // Posts whose Discus text has no markup: the text arrives as the page holds it.
    auto postText = [&](const QString &reference) {
        return rows(l->db,
                    QStringLiteral("SELECT post_text, post_username FROM phpBB3_posts WHERE poster_ip = '%1'")
                        .arg(reference),
                    &ok)
            .value(0);
    };
    QCOMPARE(postText(QStringLiteral("15^122^1080")),
             (QStringList{QStringLiteral("Cześć! I moved here from Wrocław last year and I ring waders on Sundays."),
                          QStringLiteral("Łucja Wróbel")}));
    // From the hidden page in the secure folder.
    QCOMPARE(postText(QStringLiteral("7^112^1051")).value(0),
             QStringLiteral("Yes([) if members can book it through the website."));
    // The post signed "admin" belongs to phpBB's administrator, who is not written.
    QCOMPARE(scalar(QStringLiteral("SELECT poster_id FROM phpBB3_posts WHERE poster_ip = '12^120^1060'")),
             QStringLiteral("2"));
    // Groups and users, in the order of the member file; the unknown poster comes last.
    QCOMPARE(scalar(QStringLiteral("SELECT GROUP_CONCAT(group_name ORDER BY group_id SEPARATOR '|') FROM phpBB3_groups "
                                   "WHERE group_id > %1")
                        .arg(l->sc.groups)),
             QStringLiteral("Committee|Field Leaders|Ringers Circle|Photographers|Young Birders"));
    QCOMPARE(rows(l->db,
                  QStringLiteral("SELECT user_id, username, user_posts FROM phpBB3_users WHERE user_id > %1 "
                                 "ORDER BY user_id DESC LIMIT 1")
                      .arg(l->sc.users),
                  &ok)
                 .value(0),
             (QStringList{QString::number(l->sc.users + 11), QStringLiteral("Old Tom Fenwick"), QStringLiteral("2")}));
    QCOMPARE(scalar(QStringLiteral("SELECT topic_first_poster_name FROM phpBB3_topics WHERE forum_id = 9")),
             QStringLiteral("OBrien Siobhán"));
    QVERIFY(ok);
}

void TestConversion::phpbbSampleRowsAreReplaced_data()
{
    QTest::addColumn<QString>("scenario");
    for (const Scenario &sc : kScenarios)
        if (sc.phpbbRowsFirst || QByteArray(sc.schema) != "phpbb3-tables.sql")
            QTest::newRow(sc.name) << QString::fromLatin1(sc.name);
}

void TestConversion::phpbbSampleRowsAreReplaced()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    QCOMPARE(
        rows(l->db, QStringLiteral("SELECT forum_name, parent_id FROM phpBB3_forums WHERE forum_id = 1"), &ok).value(0),
        (QStringList{encoded(l->categoryNames.first()), QStringLiteral("0")}));
    QCOMPARE(rows(l->db, QStringLiteral("SELECT parent_id FROM phpBB3_forums WHERE forum_id = 2"), &ok).value(0),
             QStringList{QStringLiteral("1")});
    const QList<QStringList> leftovers = rows(
        l->db,
        QStringLiteral("SELECT 'forum', forum_id FROM phpBB3_forums WHERE forum_name IN ('Your first category', 'Your "
                       "first forum') "
                       "UNION ALL SELECT 'topic', topic_id FROM phpBB3_topics WHERE topic_title = 'Welcome to phpBB3' "
                       "UNION ALL SELECT 'post', post_id FROM phpBB3_posts WHERE post_subject = 'Welcome to phpBB3' "
                       "OR post_text LIKE 'This is an example post%'"),
        &ok);
    QVERIFY(ok);
    QVERIFY2(leftovers.isEmpty(), qPrintable(rowsText(leftovers)));
    // Post 1 is a converted post (phpBB's has no poster reference).
    QVERIFY(!rows(l->db, QStringLiteral("SELECT poster_ip FROM phpBB3_posts WHERE post_id = 1"), &ok)
                 .value(0)
                 .value(0)
                 .isEmpty());
    QVERIFY(ok);
}

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
