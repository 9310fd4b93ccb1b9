// Whole conversions loaded into a real MariaDB: the bundled sample and generated boards
// are converted (in process and through the batch command line), the generated script
// runs on fresh phpBB 3.3 and 3.2 boards, and the loaded rows are checked in SQL: counts,
// ids, references between posts, topics, forums and users, every row read back as its
// import file holds it (texts with their row tokens turned back into characters, as the
// script's finishing section does), post texts in phpBB's stored form, members who can
// log in, the forum tree, and phpBB's own sample forum, topic and post replaced.
#include "boardgen/BoardGenerator.h"
#include "convert/ConvertController.h"
#include "members/phpBBCleanString.h"
#include "output/phpBBStoredText.h"
#include "output/ImportRows.h"
#include "output/TextCleaning.h"
#include "tests/support/MariaDb.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QDomDocument>
#include <QFileInfo>
#include <QDirIterator>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <map>
#include <optional>

using qbtest::MariaDb;
using qbtest::SqlResult;

namespace
{

const QString kAdmin = QStringLiteral("admin");
const QString kWebsite = QStringLiteral("http://www.kestrel-valley-birders.example");
const QString kForumAddress = QStringLiteral("http://forum.kestrel-valley-birders.example/");
const QString kAdminFolder = QStringLiteral("discus_admin_1234567890");
const QString kScriptName = QStringLiteral("Discus Conversion Import SQL.sql");

// The groups of a fresh phpBB board (GUESTS .. NEWLY_REGISTERED) and its REGISTERED group.
const int kGroups = 7, kRegistered = 2;

// One conversion and load.
struct Scenario {
    const char *name;
    bool sample;               // the bundled sample, else a generated board
    bool awkwardNames;         // the sample with names that phpBB must escape or that collide
    const char *charset;       // of the generated board's pages
    quint64 seed;
    bool batch;                // through the program's command line, else in process
    const char *release;       // "3.3" or "3.2": the fresh board loaded into, and the phpBB3Version setting
    int users;                 // phpBB3_Users: the fresh board's highest user id
    const char *clientCharset; // the client's character set while the script runs ("": utf8mb4)
};

// Every load goes into a fresh board that holds phpBB's sample category, forum, topic and
// post (ids 1 and 2): the converted rows take their places.
const Scenario kScenarios[] = {
    {"sample into phpBB 3.3", true, false, "utf-8", 0, false, "3.3", 57, ""},
    {"sample into phpBB 3.2, batch", true, false, "utf-8", 0, true, "3.2", 47, ""},
    {"sample with awkward names into phpBB 3.3", true, true, "utf-8", 0, false, "3.3", 57, ""},
    {"generated utf-8 into phpBB 3.3", false, false, "utf-8", 11, false, "3.3", 57, ""},
    {"generated iso-8859-1 into phpBB 3.2, batch", false, false, "iso-8859-1", 12, true, "3.2", 47, ""},
    // A client left in latin1: the script sets the connection to utf8mb4 itself.
    {"generated utf-8 into phpBB 3.2, latin1 client", false, false, "utf-8", 13, false, "3.2", 47, "latin1"},
};

// The awkward names: the sample's page "Coach Trip to the Müritz" renamed (as Discus
// writes a name into its pages: HTML-escaped) ...
const QString kPlainPageName = QStringLiteral("Coach Trip to the Müritz");
const QString kAwkwardPageHtml = QStringLiteral("Coach Trip &amp; &quot;Cranes&quot; &lt;2005&gt;");
// ... and members whose clean names are taken by a bot of phpBB 3.3, the guest and an
// earlier member (a Cyrillic "а" in place of "a"), and one with characters phpBB escapes.
const char *const kAwkwardMembers[] = {
    "Ahrefs [Bot]:Ah4kd93jfk2Lm:ahrefs@example.com:Ahmed Refs:1:1:1049281860:198.51.100.61:1085953500:",
    "ANONYMOUS:An4kd93jfk2Lm:anon@example.com:Ann Onymous:1:1:1049281860:198.51.100.62:1085953500:Committee",
    "j\u0430ne_doe:Jc4kd93jfk2Lm:jane.cyrillic@example.com:Jane Kyrillova:1:1:1049281860:198.51.100.63:1085953500:",
    "Tom & <Jerry>:Tj4kd93jfk2Lm:tom.jerry@example.com:Tom Jerry:1:1:1049281860:198.51.100.64:1085953500:",
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

// ---- Texts ---------------------------------------------------------------------------

// The two kinds of text column the finishing section turns the row tokens back in: the
// line-break token becomes a line break in a multi-line text and a blank in a name.
enum class TextKind { Name, MultiLine };

// A row text with its tokens turned back into the characters they stand for, in one pass.
QString restored(const QString &row, TextKind kind)
{
    QString out;
    out.reserve(row.size());
    for (int i = 0; i < row.size(); ++i) {
        if (row.at(i) == QLatin1Char('(') && i + 2 < row.size() && row.at(i + 2) == QLatin1Char(')')) {
            QChar c;
            switch (row.at(i + 1).unicode()) {
            case u'[': c = QLatin1Char(','); break;
            case u'\\': c = QChar(0x201E); break;
            case u'}': c = QLatin1Char('"'); break;
            case u']': c = QChar(0x201D); break;
            case u'|': c = QChar(0x201C); break;
            case u'{': c = QLatin1Char('\''); break;
            case u'<': c = QLatin1Char('`'); break;
            case u':': c = kind == TextKind::MultiLine ? QLatin1Char('\n') : QLatin1Char(' '); break;
            default: break;
            }
            if (!c.isNull()) {
                out += c;
                i += 2;
                continue;
            }
        }
        out += row.at(i);
    }
    return out;
}

// A name or title as phpBB stores it: "&", "<", ">" and the double quote as entities.
QString escapedName(QString s)
{
    s.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    s.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    s.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    s.replace(QLatin1Char('"'), QStringLiteral("&quot;"));
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

// The user name phpBB stores for a member's registry name.
QString storedUserName(const QString &registryName)
{
    return escapedName(registryName).normalized(QString::NormalizationForm_C);
}

// What phpBB shows of a stored post text: the characters outside the <s> and <e> elements
// (which keep the original BBCode markup for editing and quoting). *root is the root
// element's name; *error is set unless the text is well-formed XML whose root is <t> or <r>.
QString shownText(const QString &xml, QString *root, QString *error)
{
    QXmlStreamReader reader(xml);
    QString shown;
    int depth = 0, markup = 0;
    root->clear();
    error->clear();
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (depth++ == 0)
                *root = reader.name().toString();
            if (reader.name() == QLatin1String("s") || reader.name() == QLatin1String("e"))
                ++markup;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (reader.name() == QLatin1String("s") || reader.name() == QLatin1String("e"))
                --markup;
            break;
        case QXmlStreamReader::Characters:
            if (markup == 0)
                shown += reader.text();
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        *error = QStringLiteral("%1 at character %2").arg(reader.errorString()).arg(reader.characterOffset());
    else if (*root != QLatin1String("t") && *root != QLatin1String("r"))
        *error = QStringLiteral("root element <%1>, expected <t> or <r>").arg(*root);
    return shown;
}

QString numbers(const QList<int> &list)
{
    QStringList out;
    for (const int n : list)
        out << QString::number(n);
    return out.join(QLatin1Char(' '));
}

QString quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// A text as an SQL string literal.
QString sqlText(QString s)
{
    s.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    s.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

// ---- The SQL script and the row files -------------------------------------------------

struct LoadStatement {
    QString path, table;
    bool replace = false;
    QStringList columns; // a field sent to a user variable (for example "@skip") is not loaded
};

// The LOAD DATA statements of the script, which must have exactly the agreed form.
QList<LoadStatement> loadStatements(const QString &script, QStringList *problems)
{
    static const QRegularExpression re(
        QStringLiteral("LOAD DATA LOCAL INFILE '((?:[^']|'')*)' (REPLACE )?INTO TABLE (\\w+) CHARACTER SET utf8mb4\r\n"
                       "FIELDS TERMINATED BY ','\r\n"
                       "ENCLOSED BY '\"' ESCAPED BY ''LINES TERMINATED BY '\\\\r\\\\n'\r\n"
                       "\\(([\\w@,]+)\\);\r\n\r\n\r\n"));
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

// What the finishing section does to a loaded column.
enum class After {
    Kept,        // the loaded value stays
    Name,        // row tokens turned back, a line break becoming a blank
    MultiLine,   // row tokens turned back, a line break staying one
    Rewritten,   // set from other rows (checked by its own rule elsewhere in this test or in e2e_phpbbready)
    Category,    // forum_type: 0 for a top-level forum, else kept
    One,         // always 1
    Empty,       // always ''
    Zero,        // always 0
    RegisteredAt // user_regdate: kept, or the user's first post time where the row has 0
};

After afterFinishing(const QString &table, const QString &column)
{
    static const QHash<QString, After> rules = {
        {QStringLiteral("phpBB3_forums.forum_name"), After::Name},
        {QStringLiteral("phpBB3_forums.forum_desc"), After::MultiLine},
        {QStringLiteral("phpBB3_topics.topic_title"), After::Name},
        {QStringLiteral("phpBB3_topics.topic_last_post_subject"), After::Name},
        {QStringLiteral("phpBB3_posts.post_username"), After::Name},
        {QStringLiteral("phpBB3_posts.post_subject"), After::Name},
        {QStringLiteral("phpBB3_posts.post_text"), After::MultiLine},
        {QStringLiteral("phpBB3_users.username"), After::Name},
        {QStringLiteral("phpBB3_users.username_clean"), After::Name},
        {QStringLiteral("phpBB3_groups.group_name"), After::Name},
        {QStringLiteral("phpBB3_attachments.real_filename"), After::Name},
        {QStringLiteral("phpBB3_attachments.attach_comment"), After::Name},
        // The forum tree (forumTreeIsANestedSet) and phpBB's categories.
        {QStringLiteral("phpBB3_forums.left_id"), After::Rewritten},
        {QStringLiteral("phpBB3_forums.right_id"), After::Rewritten},
        {QStringLiteral("phpBB3_forums.forum_type"), After::Category},
        {QStringLiteral("phpBB3_forums.display_on_index"), After::One},
        {QStringLiteral("phpBB3_forums.forum_parents"), After::Empty},
        // Forum counters and last posts, from the loaded posts.
        {QStringLiteral("phpBB3_forums.forum_posts_approved"), After::Rewritten},
        {QStringLiteral("phpBB3_forums.forum_topics_approved"), After::Rewritten},
        {QStringLiteral("phpBB3_forums.forum_last_post_id"), After::Rewritten},
        {QStringLiteral("phpBB3_forums.forum_last_poster_id"), After::Rewritten},
        {QStringLiteral("phpBB3_forums.forum_last_post_subject"), After::Rewritten},
        {QStringLiteral("phpBB3_forums.forum_last_post_time"), After::Rewritten},
        {QStringLiteral("phpBB3_forums.forum_last_poster_name"), After::Rewritten},
        {QStringLiteral("phpBB3_forums.forum_last_poster_colour"), After::Rewritten},
        // Topic posters under their members' names (postsTopicsAndForumsReferToEachOther).
        {QStringLiteral("phpBB3_topics.topic_first_poster_name"), After::Rewritten},
        {QStringLiteral("phpBB3_topics.topic_first_poster_colour"), After::Rewritten},
        {QStringLiteral("phpBB3_topics.topic_last_poster_name"), After::Rewritten},
        {QStringLiteral("phpBB3_topics.topic_last_poster_colour"), After::Rewritten},
        // Users: permission cache, recounted posts, added posters' registration, all read.
        {QStringLiteral("phpBB3_users.user_permissions"), After::Empty},
        {QStringLiteral("phpBB3_users.user_perm_from"), After::Zero},
        {QStringLiteral("phpBB3_users.user_posts"), After::Rewritten},
        {QStringLiteral("phpBB3_users.user_regdate"), After::RegisteredAt},
        {QStringLiteral("phpBB3_users.user_lastmark"), After::Rewritten},
        // Attachments take their post's topic and time.
        {QStringLiteral("phpBB3_attachments.topic_id"), After::Rewritten},
        {QStringLiteral("phpBB3_attachments.filetime"), After::Rewritten},
    };
    // Every other text column passed the row cleaning and has its tokens turned back.
    static const QHash<QString, QStringList> textColumns = {
        {clsTblForums::tableName(), clsTblForums::textColumnNames()},
        {clsTblTopics::tableName(), clsTblTopics::textColumnNames()},
        {clsTblPosts::tableName(), clsTblPosts::textColumnNames()},
        {clsTblUsers::tableName(), clsTblUsers::textColumnNames()},
        {clsTblGroups::tableName(), clsTblGroups::textColumnNames()},
        {clsTblAttachments::tableName(), clsTblAttachments::textColumnNames()},
    };
    return rules.value(table + QLatin1Char('.') + column,
                       textColumns.value(table).contains(column) ? After::Name : After::Kept);
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
        if (l == QLatin1String("Conversion Complete")) // the closing report
            break;
        if (l.isEmpty() || l == QChar(0xFEFF) || l.startsWith(QLatin1String("Conversion Start")) ||
            l.startsWith(QLatin1String("Conversion Stop: ")) || l.startsWith(QLatin1String("Elapsed Time: ")) ||
            l.startsWith(QLatin1String("Replacable character array file")) ||
            l == QLatin1String("Continuing without it..."))
            continue;
        problems << line;
    }
    return problems;
}

// A copy of the bundled sample in root with the awkward names; "" or what went wrong.
QString awkwardSample(const QString &root)
{
    const QString sample = qbtest::sourceDir() + QStringLiteral("/samples/discus");
    QDirIterator it(sample, QDir::Files, QDirIterator::Subdirectories);
    int renamed = 0;
    while (it.hasNext()) {
        const QString from = it.next();
        QByteArray bytes = qbtest::readBytes(from);
        if (from.endsWith(QLatin1String(".html")) && bytes.contains(kPlainPageName.toUtf8())) {
            bytes.replace(kPlainPageName.toUtf8(), kAwkwardPageHtml.toUtf8());
            ++renamed;
        }
        // Two more attachments: a type phpBB does not know and one that must stay refused.
        const auto attach = [&](const char *page, const char *file) {
            if (!from.endsWith(QLatin1String(page)))
                return;
            const QByteArray address = kWebsite.toUtf8() + "/discus/messages/3/" + file;
            bytes.replace("<!--Text-->", "<!--Text--><!--attachment:" + QByteArray(file) + "--><a href=\"" + address
                                             + "\" target=\"_blank\">" + file + "</a><!--/attachment-->");
            qbtest::writeBytes(root + QStringLiteral("/discus/messages/3/") + QLatin1String(file), "<svg/>\n");
        };
        attach("/3/101.html", "route.gpx");
        attach("/3/104.html", "map.svg");
        if (from.endsWith(QLatin1String("/User.txt")))
            for (const char *line : kAwkwardMembers)
                bytes += QByteArray(line) + '\n';
        qbtest::writeBytes(root + from.mid(sample.size()), bytes);
    }
    return renamed == 2 ? QString() : QStringLiteral("the page name was in %1 files, expected 2").arg(renamed);
}

// What one scenario produced.
struct Loaded {
    Scenario sc{};
    QString db, root, out;
    qbgen::Manifest manifest;                                     // generated boards
    int forums = 0, topics = 0, posts = 0, users = 0, groups = 0; // converted rows expected
    QStringList categoryNames;                                    // as in the main board file
    QString failure;                                              // why the scenario could not be converted or loaded
    SqlResult load;
    QString script;

    QString release() const { return QString::fromLatin1(sc.release); }
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
    static void addScenarios(bool sample);

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
    void postTextsAreStoredForm_data() { addScenarios(); }
    void postTextsAreStoredForm();
    void membersCanLogIn_data() { addScenarios(); }
    void membersCanLogIn();
    void forumTreeIsANestedSet_data() { addScenarios(); }
    void forumTreeIsANestedSet();
    void generatedBoardArrivesPageByPage_data() { addScenarios(false); }
    void generatedBoardArrivesPageByPage();
    void sampleTextsArriveAsPhpbbShowsThem_data();
    void sampleTextsArriveAsPhpbbShowsThem();
    void awkwardNamesAreStoredAsPhpbbStoresThem_data();
    void awkwardNamesAreStoredAsPhpbbStoresThem();
    void privateAreasArePrivate_data() { addScenarios(); }
    void privateAreasArePrivate();
    void attachmentTypesAreAllowed_data() { addScenarios(); }
    void attachmentTypesAreAllowed();
    void descriptionsAreStoredForm_data() { addScenarios(); }
    void descriptionsAreStoredForm();
    void redirectsLeadToTheirPages_data() { addScenarios(); }
    void redirectsLeadToTheirPages();
    void phpbbSampleRowsAreReplaced_data() { addScenarios(); }
    void phpbbSampleRowsAreReplaced();
};

void TestConversion::addScenarios()
{
    QTest::addColumn<QString>("scenario");
    for (const Scenario &sc : kScenarios)
        QTest::newRow(sc.name) << QString::fromLatin1(sc.name);
}

void TestConversion::addScenarios(bool sample)
{
    QTest::addColumn<QString>("scenario");
    for (const Scenario &sc : kScenarios)
        if (sc.sample == sample)
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
    view.setText(QStringLiteral("txtDefaultGroups"), QString::number(kGroups));
    view.setText(QStringLiteral("cboCharset"), QString::fromLatin1(l.sc.charset));
    ctl.txtDefaultUsers_LostFocus();
    ctl.txtDefaultGroups_LostFocus();
    ctl.phpBB3Version = l.release();
    ctl.cmdConvert_Click();
    if (ctl.LastRunResult != ConvertController::RunResult::Completed)
        return QStringLiteral("The run did not complete:\n") + view.messages.join(QLatin1Char('\n'));
    // The closing report is the only message box of a clean run.
    if (view.messages != QStringList{ctl.LastReport})
        return QStringLiteral("Message boxes:\n") + view.messages.join(QStringLiteral("\n--\n"));
    // Its counts are the rows written.
    const auto rows = [&](const char *table) {
        qint64 n = 0;
        for (const QString &f : QDir(l.out).entryList({QStringLiteral("%1*.txt").arg(QLatin1String(table))}, QDir::Files))
            n += qbtest::readBytes(l.out + QLatin1Char('/') + f).count("\r\n");
        return n;
    };
    const auto count = [&](const QString &label) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("\r\n") + label + QStringLiteral(": (\\d+)\r\n")).match(ctl.LastReport);
        return m.hasMatch() ? m.captured(1).toLongLong() : -1;
    };
    const qint64 forums = count(QStringLiteral("Categories")) + count(QStringLiteral("Forums"));
    if (forums != rows("phpBB3_forums") || count(QStringLiteral("Topics")) != rows("phpBB3_topics")
        || count(QStringLiteral("Posts")) != rows("phpBB3_posts") || count(QStringLiteral("Members")) != rows("phpBB3_users")
        || count(QStringLiteral("Groups")) != rows("phpBB3_groups"))
        return QStringLiteral("Report counts differ from the rows written:\n") + ctl.LastReport;
    return QString();
}

QString TestConversion::convertInBatch(const Loaded &l, const QString &ini)
{
    return qbtest::runBatchConversion(ini, {QStringLiteral("DiscusRootFolder=") + l.root,
                                               QStringLiteral("phpBB3_OutputFolder=") + l.out,
                                               QStringLiteral("DiscusWebsite=") + kWebsite,
                                               QStringLiteral("phpBB3ForumAddr=") + kForumAddress,
                                               QStringLiteral("phpBB3_Admin=") + kAdmin,
                                               QStringLiteral("phpBB3_Users=%1").arg(l.sc.users),
                                               QStringLiteral("phpBB3_Groups=%1").arg(kGroups),
                                               QStringLiteral("phpBB3Version=") + l.release(),
                                               QStringLiteral("Charset=") + QString::fromLatin1(l.sc.charset),
                                               QStringLiteral("Display=1"),
                                               QStringLiteral("Log=1")});
}

void TestConversion::prepare(const Scenario &sc)
{
    Loaded &l = m_loaded[QString::fromLatin1(sc.name)];
    l.sc = sc;
    l.db = QStringLiteral("qb%1").arg(m_loaded.size());
    const QString base = m_tmp.filePath(l.db);
    l.out = base + QStringLiteral("/output");
    if (sc.sample) {
        l.root = qbtest::sourceDir() + QStringLiteral("/samples/discus");
        l.forums = kSampleCategories + kSamplePages;
        l.topics = kSamplePagesWithPosts;
        l.posts = kSamplePosts;
        l.users = kSampleMembers + kSampleUnknownPosters;
        if (sc.awkwardNames) {
            l.root = base + QStringLiteral("/board");
            l.failure = awkwardSample(l.root);
            if (!l.failure.isEmpty())
                return;
            l.users += int(std::size(kAwkwardMembers));
        }
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

    // A fresh board in phpBB's own character set, as its installer leaves it.
    if (!m_db.createDatabase(l.db, QStringLiteral("utf8"), QStringLiteral("utf8_bin"))) {
        l.failure = QStringLiteral("CREATE DATABASE failed: ") + m_db.lastError();
        return;
    }
    const QString fresh = qbtest::sharedDir() + QStringLiteral("/phpbb/phpbb%1-fresh.sql")
                                                    .arg(l.release().remove(QLatin1Char('.')));
    const SqlResult board = m_db.runFile(l.db, fresh);
    if (!board.ok() || !board.warnings.isEmpty()) {
        l.failure = fresh + QStringLiteral(" did not load cleanly: ") + board.describe();
        return;
    }
    QStringList args{QStringLiteral("--local-infile=1"), QStringLiteral("--show-warnings")};
    if (*sc.clientCharset)
        args << QStringLiteral("--default-character-set=") + QLatin1String(sc.clientCharset);
    l.load = m_db.runScript(l.db, l.out + QLatin1Char('/') + kScriptName, args);
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
    const bool v33 = l->release() == QLatin1String("3.3");
    for (const LoadStatement &s : statements) {
        listed << QFileInfo(s.path).fileName();
        QCOMPARE(QFileInfo(s.path).absolutePath(), QFileInfo(l->out).absoluteFilePath());
        QCOMPARE(s.replace, s.table == QLatin1String("phpBB3_forums") || s.table == QLatin1String("phpBB3_topics") ||
                                s.table == QLatin1String("phpBB3_posts"));
        QVERIFY2(QFileInfo(s.path).fileName().startsWith(s.table), qPrintable(s.path));
        // The table's import columns; phpBB 3.3 has no user_email_hash, so its field goes
        // to a user variable there.
        QStringList columns = ImportColumns(s.table);
        if (v33 && s.table == QLatin1String("phpBB3_users"))
            columns.replace(columns.indexOf(QStringLiteral("user_email_hash")), QStringLiteral("@skip"));
        QCOMPARE(s.columns, columns);
    }
    for (const QString &f : QDir(l->out).entryList({QStringLiteral("phpBB3_*.txt")}, QDir::Files))
        files << f;
    listed.sort();
    QCOMPARE(listed, files);
    for (const char *t : {"forums", "topics", "posts", "users", "groups", "user_group"})
        QVERIFY2(files.contains(QStringLiteral("phpBB3_") + QLatin1String(t) + QStringLiteral("1.txt")), t);

    // The guard runs before the first load; nothing but the loads writes until the last
    // load is done.
    const qsizetype firstLoad = l->script.indexOf(QStringLiteral("LOAD DATA"));
    const qsizetype lastLoad = l->script.lastIndexOf(QStringLiteral("LOAD DATA"));
    const qsizetype names = l->script.indexOf(QStringLiteral("SET NAMES utf8mb4;"));
    const qsizetype lastGuard = l->script.lastIndexOf(QStringLiteral("SET SESSION sql_mode = IF("));
    QVERIFY2(names >= 0 && names < firstLoad, "SET NAMES utf8mb4 does not come before the loads");
    QVERIFY2(lastGuard >= 0 && lastGuard < firstLoad, "the guard does not come before the loads");
    static const QRegularExpression write(QStringLiteral("^(UPDATE|INSERT|DELETE|REPLACE|TRUNCATE)\\b"),
                                          QRegularExpression::MultilineOption);
    const QRegularExpressionMatch firstWrite = write.match(l->script);
    QVERIFY2(firstWrite.hasMatch() && firstWrite.capturedStart() > lastLoad,
             qPrintable(QStringLiteral("a statement writes before the last load: ") +
                        l->script.mid(firstWrite.capturedStart(), 100)));
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
            .arg(kGroups)
            .arg(kAdmin),
        &ok);
    QVERIFY(ok);
    // The fresh board's guest, administrator, bots and groups stay; its sample forums,
    // topic and post were replaced by converted rows of the same ids.
    const QStringList expected{QString::number(l->forums), QString::number(l->topics), QString::number(l->posts),
                               // the converted groups and "Private Discus Areas"
                               QString::number(l->users),  QString::number(l->groups + 1), QString::number(l->sc.users),
                               QString::number(kGroups),   QStringLiteral("1")};
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
    QCOMPARE(range(QStringLiteral("phpBB3_groups"), QStringLiteral("group_id"), kGroups),
             expected(kGroups + 1, l->groups + 1)); // and "Private Discus Areas"
    QVERIFY(ok);
}

void TestConversion::postsTopicsAndForumsReferToEachOther()
{
    const Loaded *l = current();
    if (!l)
        return;
    // Each query lists the rows that break one rule; every list must be empty. %1 is the
    // highest user id of the fresh board, %2 its highest group id.
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
        {"within a topic, a later post has a higher id",
         "SELECT a.topic_id, a.post_id, a.post_time, b.post_id, b.post_time FROM phpBB3_posts a "
         "JOIN phpBB3_posts b ON b.topic_id = a.topic_id AND b.post_id > a.post_id WHERE b.post_time < a.post_time"},
        {"a topic's first and last post are its oldest and newest, with the topic's times and posters",
         "SELECT t.topic_id, t.topic_time, f.post_time, t.topic_last_post_time, z.post_time, t.topic_poster, "
         "f.poster_id, t.topic_last_poster_id, z.poster_id, a.oldest, a.newest FROM phpBB3_topics t "
         "JOIN phpBB3_posts f ON f.post_id = t.topic_first_post_id "
         "JOIN phpBB3_posts z ON z.post_id = t.topic_last_post_id "
         "JOIN (SELECT topic_id, MIN(post_time) oldest, MAX(post_time) newest FROM phpBB3_posts GROUP BY topic_id) a "
         "ON a.topic_id = t.topic_id "
         "WHERE t.topic_time <> a.oldest OR t.topic_last_post_time <> a.newest OR f.post_time <> a.oldest "
         "OR z.post_time <> a.newest OR t.topic_poster <> f.poster_id OR t.topic_last_poster_id <> z.poster_id"},
        {"a topic shows its first and last poster under the members' names and colours",
         "SELECT t.topic_id, t.topic_first_poster_name, f.username, t.topic_last_poster_name, z.username "
         "FROM phpBB3_topics t JOIN phpBB3_users f ON f.user_id = t.topic_poster "
         "JOIN phpBB3_users z ON z.user_id = t.topic_last_poster_id "
         "WHERE (t.topic_poster <> 1 AND (t.topic_first_poster_name <> f.username "
         "OR t.topic_first_poster_colour <> f.user_colour)) OR (t.topic_last_poster_id <> 1 AND "
         "(t.topic_last_poster_name <> z.username OR t.topic_last_poster_colour <> z.user_colour))"},
        {"topic_posts_approved is the topic's number of posts",
         "SELECT t.topic_id, t.topic_posts_approved, COUNT(p.post_id) FROM phpBB3_topics t "
         "LEFT JOIN phpBB3_posts p ON p.topic_id = t.topic_id GROUP BY t.topic_id, t.topic_posts_approved "
         "HAVING COUNT(p.post_id) <> t.topic_posts_approved"},
        {"every poster is a converted user or the administrator (2)",
         "SELECT p.post_id, p.poster_id FROM phpBB3_posts p LEFT JOIN phpBB3_users u ON u.user_id = p.poster_id "
         "WHERE u.user_id IS NULL OR (p.poster_id <> 2 AND p.poster_id <= %1)"},
        {"a user's post count is the number of posts loaded for the user",
         "SELECT u.user_id, u.user_posts, COUNT(p.post_id) FROM phpBB3_users u "
         "LEFT JOIN phpBB3_posts p ON p.poster_id = u.user_id WHERE u.user_id > %1 OR u.user_id = 2 "
         "GROUP BY u.user_id, u.user_posts HAVING COUNT(p.post_id) <> u.user_posts"},
        {"every post counts toward its poster (post_postcount 1)",
         "SELECT post_id, post_postcount FROM phpBB3_posts WHERE post_postcount <> 1"},
        {"a member's default group is a converted group or REGISTERED (2)",
         "SELECT u.user_id, u.group_id FROM phpBB3_users u LEFT JOIN phpBB3_groups g ON g.group_id = u.group_id "
         "WHERE u.user_id > %1 AND u.group_id <> 2 AND (g.group_id IS NULL OR g.group_id <= %2)"},
        {"every attachment belongs to a converted post, by the post's poster",
         "SELECT a.attach_id, a.post_msg_id, a.poster_id, p.poster_id FROM phpBB3_attachments a "
         "LEFT JOIN phpBB3_posts p ON p.post_id = a.post_msg_id "
         "WHERE p.post_id IS NULL OR a.poster_id <> p.poster_id OR a.in_message <> 0"},
    };
    QStringList failures;
    for (const auto &r : rules) {
        bool ok = true;
        const QList<QStringList> broken = rows(l->db,
                                               QString::fromLatin1(r.sql)
                                                   .replace(QStringLiteral("%1"), QString::number(l->sc.users))
                                                   .replace(QStringLiteral("%2"), QString::number(kGroups)),
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
    // All rows of every table's files, by the table's key: the first column, or group and
    // user for the memberships.
    const auto keyOf = [](const QString &table, const QVector<Field> &row) {
        return table == QLatin1String("phpBB3_user_group") ? row.value(0).text + QLatin1Char(',') + row.value(1).text
                                                           : row.value(0).text;
    };
    QMap<QString, QStringList> columnsOf;
    QMap<QString, QMap<QString, QVector<Field>>> fileRows;
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
            row.at(0).text.toLongLong(&numeric);
            QVERIFY2(numeric && !row.at(0).enclosed, qPrintable(s.path + QStringLiteral(": key ") + row.at(0).text));
            const QString key = keyOf(s.table, row);
            QVERIFY2(!fileRows[s.table].contains(key),
                     qPrintable(QStringLiteral("%1: key %2 written twice").arg(s.table, key)));
            fileRows[s.table].insert(key, row);
        }
    }
    for (const char *t : {"phpBB3_forums", "phpBB3_topics", "phpBB3_posts", "phpBB3_users", "phpBB3_groups",
                          "phpBB3_user_group"})
        QVERIFY2(!fileRows.value(QLatin1String(t)).isEmpty(), t);

    // The first post time of each poster: a member added for a poster missing from the
    // member file is registered then.
    bool ok = true;
    QHash<QString, QString> firstPostTime;
    for (const QStringList &r :
         rows(l->db, QStringLiteral("SELECT poster_id, MIN(post_time) FROM phpBB3_posts GROUP BY poster_id"), &ok))
        firstPostTime.insert(r.value(0), r.value(1));
    QVERIFY(ok);

    // Every row of the files is in the database, each column as the finishing section
    // leaves it.
    QString fileTexts, dbTexts;
    for (auto t = fileRows.cbegin(); t != fileRows.cend(); ++t) {
        const QString &table = t.key();
        const QStringList &columns = columnsOf.value(table);
        QStringList loaded; // the columns that hold a field (not those sent to a user variable)
        for (const QString &c : columns)
            if (!c.startsWith(QLatin1Char('@')))
                loaded << c;
        const QList<QStringList> dbRows =
            rows(l->db, QStringLiteral("SELECT %1 FROM %2").arg(loaded.join(QLatin1Char(',')), table), &ok);
        QVERIFY(ok);
        QHash<QString, QStringList> byKey;
        for (const QStringList &r : dbRows)
            byKey.insert(table == QLatin1String("phpBB3_user_group") ? r.value(0) + QLatin1Char(',') + r.value(1)
                                                                     : r.value(0),
                         r);
        const int parentColumn = int(columns.indexOf(QStringLiteral("parent_id")));
        for (auto row = t->cbegin(); row != t->cend(); ++row) {
            if (!byKey.contains(row.key())) {
                problems << QStringLiteral("%1 %2 %3 is not in the database").arg(table, columns.first(), row.key());
                continue;
            }
            const QStringList &db = byKey.value(row.key());
            for (int c = 0, d = 0; c < columns.size(); ++c) {
                if (columns.at(c).startsWith(QLatin1Char('@')))
                    continue;
                const QString got = db.value(d++);
                const Field &f = row->at(c);
                const After after = afterFinishing(table, columns.at(c));
                std::optional<QString> want;
                switch (after) {
                case After::Kept: want = f.text; break;
                case After::Name: want = restored(f.text, TextKind::Name); break;
                case After::MultiLine:
                    want = restored(f.text, TextKind::MultiLine);
                    // Forward links get their topic's address in the finishing section
                    // (checked by e2e_forwardlinks): link addresses are not compared here.
                    if (table == QLatin1String("phpBB3_posts") && *want != got) {
                        static const QRegularExpression address(QStringLiteral("url=\"[^\"]*\"|\\[url=[^\\]]*\\]"));
                        if (QString(*want).replace(address, QStringLiteral("url")) == QString(got).replace(address, QStringLiteral("url")))
                            want = got;
                    }
                    break;
                case After::Rewritten: break;
                case After::Category:
                    want = row->value(parentColumn).text == QLatin1String("0") ? QStringLiteral("0") : f.text;
                    break;
                case After::One: want = QStringLiteral("1"); break;
                case After::Empty: want = QString(); break;
                case After::Zero: want = QStringLiteral("0"); break;
                case After::RegisteredAt:
                    want = f.text == QLatin1String("0") ? firstPostTime.value(row.key(), f.text) : f.text;
                    break;
                }
                if (f.enclosed)
                    fileTexts += f.text + QLatin1Char('\n');
                if (after == After::Name || after == After::MultiLine)
                    dbTexts += got + QLatin1Char('\n');
                // An empty bare field loads as the column's empty value.
                if (!want || got == *want ||
                    (after == After::Kept && !f.enclosed && f.text.isEmpty() && got == QLatin1String("0")))
                    continue;
                problems << QStringLiteral("%1 %2 %3, %4:\n  file:     %5\n  expected: %6\n  database: %7")
                                .arg(table, columns.first(), row.key(), columns.at(c), quoted(f.text),
                                     quoted(*want), quoted(got));
            }
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(firstLines(problems)));

    // The comparison covered the texts that are easy to garble: letters beyond ASCII, the
    // tokens of the apostrophe, the comma and U+201E (with its backslash), and their
    // characters after the finishing section.
    const bool utf8 = QByteArray(l->sc.charset) == "utf-8";
    const QString letters = QString::fromUtf8(l->sc.sample || utf8 ? "łŁęń" : "éüöñ");
    bool nonAscii = false;
    for (const QChar c : letters)
        nonAscii |= dbTexts.contains(c);
    QVERIFY2(nonAscii, qPrintable(QStringLiteral("no text holds any of ") + letters));
    QVERIFY(fileTexts.contains(QStringLiteral("({)")) && dbTexts.contains(QLatin1Char('\'')));
    QVERIFY(fileTexts.contains(QStringLiteral("([)")) && dbTexts.contains(QLatin1Char(',')));
    if (utf8)
        QVERIFY(fileTexts.contains(QStringLiteral("(\\)")) && dbTexts.contains(QChar(0x201E)));
    // Nothing was decoded twice or with the wrong character set.
    for (const QString *texts : {&fileTexts, &dbTexts}) {
        QVERIFY2(!texts->contains(QChar(0xFFFD)), "U+FFFD in a text");
        static const QRegularExpression mojibake(QStringLiteral("[\u00C3\u00C2\u00C5\u00E2][\u0080-\u00BF]|\u00E2\u20AC"));
        const QRegularExpressionMatch garbled = mojibake.match(*texts);
        QVERIFY2(!garbled.hasMatch(), qPrintable(QStringLiteral("garbled text: ") +
                                                 texts->mid(qMax(0, int(garbled.capturedStart()) - 40), 80)));
    }
}

void TestConversion::postTextsAreStoredForm()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    const QList<QStringList> posts =
        rows(l->db,
             QStringLiteral("SELECT post_id, post_text, bbcode_uid, bbcode_bitfield FROM phpBB3_posts ORDER BY post_id"),
             &ok);
    QVERIFY(ok);
    QCOMPARE(int(posts.size()), l->posts);
    QStringList problems;
    QSet<QString> uids;
    int plain = 0, marked = 0;
    for (const QStringList &p : posts) {
        const QString &text = p.value(1);
        QString root, error;
        const QString shown = shownText(text, &root, &error);
        if (!error.isEmpty()) {
            problems << QStringLiteral("post %1: %2:\n  %3").arg(p.value(0), error, text.left(300));
            continue;
        }
        (root == QLatin1String("t") ? plain : marked) += 1;
        // phpBB renders a line break where the stored text has "<br/>" before it.
        if (text.count(QLatin1Char('\n')) != text.count(QStringLiteral("<br/>\n")))
            problems << QStringLiteral("post %1: a line break without <br/>: %2").arg(p.value(0), text.left(300));
        // Escaped exactly once: what phpBB shows holds no entity of the text's own characters.
        static const QRegularExpression twice(QStringLiteral("&(amp|lt|gt|quot);"));
        if (shown.contains(twice))
            problems << QStringLiteral("post %1 shows an entity: %2").arg(p.value(0), shown.left(300));
        uids << p.value(2);
        if (!p.value(3).isEmpty())
            problems << QStringLiteral("post %1 has bbcode_bitfield %2").arg(p.value(0), quoted(p.value(3)));
    }
    QVERIFY2(problems.isEmpty(), qPrintable(firstLines(problems)));
    // One fixed 8-character uid for every converted post (phpBB's search results need one).
    QCOMPARE(uids.size(), 1);
    QCOMPARE(uids.begin()->size(), 8);
    // Both forms occur: posts without BBCode and posts with it.
    QVERIFY2(plain > 0 && marked > 0, qPrintable(QStringLiteral("%1 <t> and %2 <r> posts").arg(plain).arg(marked)));
}

void TestConversion::membersCanLogIn()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    const QString after = QString::number(l->sc.users);
    const QList<QStringList> users = rows(
        l->db,
        QStringLiteral("SELECT user_id, username, username_clean, user_type, user_colour FROM phpBB3_users "
                       "WHERE user_id > %1 ORDER BY user_id")
            .arg(after),
        &ok);
    QVERIFY(ok);
    QCOMPARE(int(users.size()), l->users);
    QStringList problems;
    for (const QStringList &u : users) {
        // phpBB finds a member at login by the cleaning of the name typed.
        const QString clean = phpBBCleanString(u.value(1));
        if (u.value(2) != clean)
            problems << QStringLiteral("user %1 %2: username_clean %3, phpBB's cleaning gives %4")
                            .arg(u.value(0), quoted(u.value(1)), quoted(u.value(2)), quoted(clean));
        if (u.value(3) != QLatin1String("0") || !u.value(4).isEmpty())
            problems << QStringLiteral("user %1: user_type %2, user_colour %3 (an active member without colour)")
                            .arg(u.value(0), u.value(3), quoted(u.value(4)));
    }
    // Each query lists the rows that break one rule.
    const struct {
        const char *rule;
        const char *sql;
    } rules[] = {
        {"username_clean is unique on the board",
         "SELECT username_clean, GROUP_CONCAT(user_id) FROM phpBB3_users GROUP BY username_clean HAVING COUNT(*) > 1"},
        {"every converted member is an active member of REGISTERED (2)",
         "SELECT u.user_id FROM phpBB3_users u WHERE u.user_id > %1 AND NOT EXISTS (SELECT 1 FROM phpBB3_user_group g "
         "WHERE g.user_id = u.user_id AND g.group_id = 2 AND g.user_pending = 0)"},
        {"a member's default group is one of the member's groups",
         "SELECT u.user_id, u.group_id FROM phpBB3_users u WHERE u.user_id > %1 AND NOT EXISTS (SELECT 1 FROM "
         "phpBB3_user_group g WHERE g.user_id = u.user_id AND g.group_id = u.group_id)"},
        {"a converted member's memberships are in existing groups, not pending, not as leader",
         "SELECT g.user_id, g.group_id, g.user_pending, g.group_leader FROM phpBB3_user_group g "
         "LEFT JOIN phpBB3_groups r ON r.group_id = g.group_id "
         "WHERE g.user_id > %1 AND (r.group_id IS NULL OR g.user_pending <> 0 OR g.group_leader <> 0)"},
        {"memberships belong to existing users",
         "SELECT g.user_id, g.group_id FROM phpBB3_user_group g LEFT JOIN phpBB3_users u ON u.user_id = g.user_id "
         "WHERE u.user_id IS NULL"},
    };
    for (const auto &r : rules) {
        const QList<QStringList> broken = rows(l->db, QString::fromLatin1(r.sql).replace(QStringLiteral("%1"), after), &ok);
        if (!broken.isEmpty())
            problems << QStringLiteral("%1: %2 rows break it, first:\n%3")
                            .arg(QLatin1String(r.rule))
                            .arg(broken.size())
                            .arg(rowsText(broken));
    }
    QVERIFY(ok);
    QVERIFY2(problems.isEmpty(), qPrintable(firstLines(problems)));
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
    for (const QStringList &r :
         rows(l->db,
              QStringLiteral("SELECT forum_id, topic_id, topic_title, topic_posts_approved, topic_time, "
                             "topic_last_post_time, topic_poster, topic_first_poster_name, topic_last_poster_id, "
                             "topic_last_poster_name FROM phpBB3_topics"),
              &ok))
        topics.insert(r.value(0).toInt(), r);
    QMultiMap<int, QStringList> posts; // by topic
    for (const QStringList &r :
         rows(l->db, QStringLiteral("SELECT topic_id, poster_ip, post_subject, post_time FROM phpBB3_posts"), &ok))
        posts.insert(r.value(0).toInt(), r);
    // Members in the order of the member file, then unknown posters as they were met.
    const QList<QStringList> users =
        rows(l->db,
             QStringLiteral("SELECT user_id, username, user_posts, group_id, user_email FROM phpBB3_users "
                            "WHERE user_id > %1 ORDER BY user_id")
                 .arg(l->sc.users),
             &ok);
    QMap<int, QList<int>> memberships;
    for (const QStringList &r :
         rows(l->db,
              QStringLiteral("SELECT user_id, group_id FROM phpBB3_user_group WHERE user_id > %1 ORDER BY group_id")
                  .arg(l->sc.users),
              &ok))
        memberships[r.value(0).toInt()] << r.value(1).toInt();
    const QList<QStringList> groups = rows(
        l->db,
        QStringLiteral("SELECT group_id, group_name FROM phpBB3_groups WHERE group_id > %1 AND group_name <> 'Private Discus Areas' ORDER BY group_id").arg(kGroups),
        &ok);
    QVERIFY(ok);
    QCOMPARE(int(users.size()), int(m.memberList.size()));
    QHash<int, QString> usernames;
    QHash<QString, int> userIdByName; // by the poster's name key
    for (int i = 0; i < users.size(); ++i) {
        usernames.insert(users.at(i).value(0).toInt(), users.at(i).value(1));
        if (!userIdByName.contains(qbgen::nameKey(m.memberList.at(i).realName)))
            userIdByName.insert(qbgen::nameKey(m.memberList.at(i).realName), l->sc.users + 1 + i);
    }

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
               escapedName(m.categoryNames.at(c)));
        expect(QStringLiteral("category %1 parent").arg(c + 1), forums.value(forumOfCategory.at(c)).value(1),
               QStringLiteral("0"));
    }
    for (int i = 0; i < m.pageList.size(); ++i) {
        const qbgen::GeneratedPage &page = m.pageList.at(i);
        const int id = forumOfPage.at(i);
        const QString where = QStringLiteral("page %1 (forum %2)").arg(page.relativePath).arg(id);
        expect(where + QStringLiteral(" name"), forums.value(id).value(2), escapedName(page.name));
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
        expect(where + QStringLiteral(" topic_title"), t.value(2), escapedName(page.name));
        expect(where + QStringLiteral(" topic_posts_approved"), t.value(3), QString::number(page.posts));
        expect(where + QStringLiteral(" topic_time"), t.value(4), QString::number(page.oldestTime));
        expect(where + QStringLiteral(" topic_last_post_time"), t.value(5), QString::number(page.newestTime));
        // The first and last posters are the members of those names, shown under their user names.
        const int first = userIdByName.value(qbgen::nameKey(page.oldestPoster), -1);
        const int last = userIdByName.value(qbgen::nameKey(page.newestPoster), -1);
        expect(where + QStringLiteral(" topic_poster"), t.value(6), QString::number(first));
        expect(where + QStringLiteral(" topic_first_poster_name"), t.value(7), usernames.value(first));
        expect(where + QStringLiteral(" topic_last_poster_id"), t.value(8), QString::number(last));
        expect(where + QStringLiteral(" topic_last_poster_name"), t.value(9), usernames.value(last));
        // Every post of the page, by its Discus reference (topic ^ page ^ post number).
        QStringList want, got;
        for (int k = 0; k < page.posts; ++k)
            want << QStringLiteral("%1^%2^%3").arg(page.board, page.number).arg(page.firstPostNumber + k);
        int titled = 0;
        for (const QStringList &p : posts.values(t.value(1).toInt())) {
            got << p.value(1);
            // The title on the topic's first post, "Re: " and the title on its replies.
            // (one post, its first, carries the title alone).
            const QString title = escapedName(page.name);
            if (p.value(2) == title)
                ++titled;
            else
                expect(where + QStringLiteral(" post_subject"), p.value(2), QStringLiteral("Re: ") + title);
            const qint64 time = p.value(3).toLongLong();
            if (time < page.oldestTime || time > page.newestTime)
                problems << where + QStringLiteral(" post time %1 outside the page's").arg(time);
        }
        if (titled != 1)
            problems << where + QStringLiteral(" has %1 posts titled as the topic, expected 1").arg(titled);
        got.sort();
        want.sort();
        if (got != want)
            problems << where + QStringLiteral(" posts %1, expected %2")
                                    .arg(got.join(QLatin1Char(' ')), want.join(QLatin1Char(' ')));
    }

    QHash<QString, int> groupIds;
    QCOMPARE(int(groups.size()), int(m.groupNames.size()));
    for (int g = 0; g < m.groupNames.size(); ++g) {
        groupIds.insert(m.groupNames.at(g), kGroups + 1 + g);
        expect(QStringLiteral("group %1").arg(kGroups + 1 + g), groups.value(g).value(1),
               escapedName(cleanedName(m.groupNames.at(g))));
    }
    // A member keeps the name unless its clean form is taken (by the fresh board or an
    // earlier member): then a blank and the user id are appended.
    QSet<QString> taken = phpBBReservedCleanNames(l->release(), kAdmin);
    for (int i = 0; i < m.memberList.size(); ++i) {
        const qbgen::GeneratedMember &member = m.memberList.at(i);
        const QStringList &u = users.at(i);
        const int id = l->sc.users + 1 + i;
        const QString where = QStringLiteral("user %1 (%2)").arg(id).arg(member.realName);
        expect(where + QStringLiteral(" user_id"), u.value(0), QString::number(id));
        const QString name = storedUserName(cleanedName(member.unknown ? member.realName : member.username));
        const bool nameTaken = taken.contains(phpBBCleanString(name));
        expect(where + QStringLiteral(" username"), u.value(1),
               nameTaken ? name + QLatin1Char(' ') + QString::number(id) : name);
        taken.insert(phpBBCleanString(u.value(1)));
        expect(where + QStringLiteral(" user_posts"), u.value(2), QString::number(member.posts));
        QList<int> groupsOfMember{kRegistered};
        for (const QString &g : member.groups)
            if (!groupsOfMember.contains(groupIds.value(g)))
                groupsOfMember << groupIds.value(g);
        expect(where + QStringLiteral(" group_id"), u.value(3), QString::number(groupsOfMember.value(1, kRegistered)));
        std::sort(groupsOfMember.begin(), groupsOfMember.end());
        if (memberships.value(id) != groupsOfMember)
            problems << where + QStringLiteral(" is in groups %1, expected %2")
                                    .arg(numbers(memberships.value(id)), numbers(groupsOfMember));
        expect(where + QStringLiteral(" user_email"), u.value(4), member.email.toLower());
    }
    QVERIFY2(problems.isEmpty(), qPrintable(firstLines(problems, 20)));
}

void TestConversion::sampleTextsArriveAsPhpbbShowsThem_data()
{
    QTest::addColumn<QString>("scenario");
    for (const Scenario &sc : kScenarios)
        if (sc.sample && !sc.awkwardNames)
            QTest::newRow(sc.name) << QString::fromLatin1(sc.name);
}

void TestConversion::sampleTextsArriveAsPhpbbShowsThem()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    auto scalar = [&](const QString &sql) { return rows(l->db, sql, &ok).value(0).value(0); };
    auto forumId = [&](const QString &name) {
        return scalar(QStringLiteral("SELECT GROUP_CONCAT(forum_id) FROM phpBB3_forums WHERE forum_name = ") +
                      sqlText(name));
    };
    // Names with letters beyond ASCII, U+201E/U+201C, an apostrophe and a comma.
    QCOMPARE(forumId(QStringLiteral("Birds and Birding")), QStringLiteral("1"));
    QCOMPARE(forumId(QStringLiteral("Waders, Gulls and Terns")), QStringLiteral("8"));
    QCOMPARE(forumId(QStringLiteral("Ringing Report: Curlew „K7“ Resighted")), QStringLiteral("10"));
    QCOMPARE(forumId(QStringLiteral("Members' Café")), QStringLiteral("16"));
    QCOMPARE(forumId(QStringLiteral("Coach Trip to the Müritz")), QStringLiteral("15"));
    QCOMPARE(scalar(QStringLiteral("SELECT topic_title FROM phpBB3_topics WHERE forum_id = 10")),
             QStringLiteral("Ringing Report: Curlew „K7“ Resighted"));
    QVERIFY2(scalar(QStringLiteral("SELECT forum_desc FROM phpBB3_forums WHERE forum_id = 13"))
                 .contains(QStringLiteral("£12 adults, £5 juniors.")),
             "the announcement's comma");

    // Post texts as phpBB shows them: BBCode markup gone, tokens back, line breaks kept.
    const struct {
        const char *reference, *shown, *root;
    } texts[] = {
        {"15^122^1080", "Cześć! I moved here from Wrocław last year and I ring waders on Sundays.", "t"},
        {"7^112^1051", "Yes, if members can book it through the website.", "t"}, // the hidden page
        {"15^122^1082", "Welcome both! Tea at the café is 80p, cake \"when available\".", "t"},
        {"12^121^1071", "Count me in. I went to Doñana last year & the Cranes were the best part.", "t"},
        {"3^101^1002",
         "The caged ones work for me, but the Great Spotted Woodpecker can’t get in either.\n"
         "Fat balls in a metal mesh are the only thing that lasts.",
         "r"},
        {"7^111^1040",
         "Colour-ringed Curlew „K7“ was on the mudflats today. It was ringed as a chick in Łęgi Odrzańskie "
         "(Poland) in 2001!",
         "r"},
        {"3^103^1020",
         "The club nest box camera is live!\nThe pictures go to the computer in the hide. Daily notes are in the "
         "pages below.",
         "r"},
        {"15^123^1090", "1st: The Tit Bits (Jane, Zoë, Kwame)\n2nd: Ringers Anonymous\n3rd: The Dunlins", "r"},
    };
    for (const auto &t : texts) {
        const QString text = scalar(QStringLiteral("SELECT post_text FROM phpBB3_posts WHERE poster_ip = '%1'")
                                        .arg(QLatin1String(t.reference)));
        QString root, error;
        const QString shown = shownText(text, &root, &error);
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("%1: %2: %3").arg(QLatin1String(t.reference), error, text)));
        QCOMPARE(shown, QString::fromUtf8(t.shown));
        QCOMPARE(root, QLatin1String(t.root));
    }
    QCOMPARE(scalar(QStringLiteral("SELECT post_username FROM phpBB3_posts WHERE poster_ip = '15^122^1080'")),
             QStringLiteral("Łucja Wróbel"));
    // The post signed "admin" belongs to phpBB's administrator, who is not written.
    QCOMPARE(scalar(QStringLiteral("SELECT poster_id FROM phpBB3_posts WHERE poster_ip = '12^120^1060'")),
             QStringLiteral("2"));
    // Groups and users, in the order of the member file; the unknown poster comes last.
    QCOMPARE(scalar(QStringLiteral("SELECT GROUP_CONCAT(group_name ORDER BY group_id SEPARATOR '|') FROM phpBB3_groups "
                                   "WHERE group_id > %1 AND group_name <> 'Private Discus Areas'")
                        .arg(kGroups)),
             QStringLiteral("Committee|Field Leaders|Ringers Circle|Photographers|Young Birders"));
    QCOMPARE(rows(l->db,
                  QStringLiteral("SELECT user_id, username, user_posts FROM phpBB3_users WHERE user_id > %1 "
                                 "ORDER BY user_id DESC LIMIT 1")
                      .arg(l->sc.users),
                  &ok)
                 .value(0),
             (QStringList{QString::number(l->sc.users + 11), QStringLiteral("Old Tom Fenwick"), QStringLiteral("2")}));
    // A topic shows its posters under their user names.
    QCOMPARE(rows(l->db,
                  QStringLiteral("SELECT topic_first_poster_name, topic_last_poster_name FROM phpBB3_topics "
                                 "WHERE forum_id = 9"),
                  &ok)
                 .value(0),
             (QStringList{QStringLiteral("siobhan"), QStringLiteral("Old Tom Fenwick")}));
    // Memberships from the member file: Jane Doe in Committee and Field Leaders, José in
    // none (so REGISTERED is his default group), Priya in Photographers and Field Leaders.
    auto groupsOf = [&](int member) {
        const int id = l->sc.users + member;
        return scalar(QStringLiteral("SELECT CONCAT(u.group_id, ':', GROUP_CONCAT(g.group_id ORDER BY g.group_id)) "
                                     "FROM phpBB3_users u JOIN phpBB3_user_group g ON g.user_id = u.user_id "
                                     "WHERE u.user_id = %1 GROUP BY u.group_id")
                          .arg(id));
    };
    QCOMPARE(groupsOf(1), QStringLiteral("8:2,8,9"));
    QCOMPARE(groupsOf(4), QStringLiteral("2:2"));
    QCOMPARE(groupsOf(8), QStringLiteral("11:2,9,11"));
    QVERIFY(ok);
}

void TestConversion::awkwardNamesAreStoredAsPhpbbStoresThem_data()
{
    QTest::addColumn<QString>("scenario");
    for (const Scenario &sc : kScenarios)
        if (sc.awkwardNames)
            QTest::newRow(sc.name) << QString::fromLatin1(sc.name);
}

void TestConversion::awkwardNamesAreStoredAsPhpbbStoresThem()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    QStringList problems;
    auto expect = [&](const QString &what, const QStringList &got, const QStringList &want) {
        if (got != want)
            problems << QStringLiteral("%1: %2, expected %3")
                            .arg(what, got.join(QStringLiteral(" | ")), want.join(QStringLiteral(" | ")));
    };
    // The page's name, its character references turned into characters and the result
    // escaped once, as phpBB stores names.
    const QString stored = QStringLiteral("Coach Trip &amp; &quot;Cranes&quot; &lt;2005&gt;");
    expect(QStringLiteral("forum 15 and its topic"),
           rows(l->db,
                QStringLiteral("SELECT f.forum_name, t.topic_title FROM phpBB3_forums f JOIN phpBB3_topics t "
                               "ON t.forum_id = f.forum_id WHERE f.forum_id = 15"),
                &ok)
               .value(0),
           {stored, stored});
    // The members after the sample's ten: a taken clean name gets a blank and the id.
    const int first = l->sc.users + kSampleMembers + 1;
    QStringList got;
    for (const QStringList &r : rows(l->db,
                                     QStringLiteral("SELECT username FROM phpBB3_users WHERE user_id BETWEEN %1 AND %2 "
                                                    "ORDER BY user_id")
                                         .arg(first)
                                         .arg(first + 3),
                                     &ok))
        got << r.value(0);
    expect(QStringLiteral("user names"), got,
           {QStringLiteral("Ahrefs [Bot] %1").arg(first), QStringLiteral("ANONYMOUS %1").arg(first + 1),
            QStringLiteral("j\u0430ne_doe %1").arg(first + 2), QStringLiteral("Tom &amp; &lt;Jerry&gt;")});
    // The one with a group is in it, and in REGISTERED.
    expect(QStringLiteral("groups of user %1").arg(first + 1),
           rows(l->db,
                QStringLiteral("SELECT GROUP_CONCAT(group_id ORDER BY group_id) FROM phpBB3_user_group "
                               "WHERE user_id = %1")
                    .arg(first + 1),
                &ok)
               .value(0),
           {QStringLiteral("2,8")});
    QVERIFY(ok);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void TestConversion::phpbbSampleRowsAreReplaced()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    // The fresh board's category 1, forum 2, topic 1 and post 1 are converted rows now.
    QCOMPARE(
        rows(l->db, QStringLiteral("SELECT forum_name, parent_id FROM phpBB3_forums WHERE forum_id = 1"), &ok).value(0),
        (QStringList{escapedName(l->categoryNames.first()), QStringLiteral("0")}));
    QCOMPARE(rows(l->db, QStringLiteral("SELECT parent_id FROM phpBB3_forums WHERE forum_id = 2"), &ok).value(0),
             QStringList{QStringLiteral("1")});
    const QList<QStringList> leftovers = rows(
        l->db,
        QStringLiteral("SELECT 'forum', forum_id FROM phpBB3_forums WHERE forum_name IN ('Your first category', "
                       "'Your first forum') OR forum_desc LIKE 'Description of your first forum.%' "
                       "UNION ALL SELECT 'topic', topic_id FROM phpBB3_topics WHERE topic_title = 'Welcome to phpBB3' "
                       "UNION ALL SELECT 'post', post_id FROM phpBB3_posts WHERE post_subject = 'Welcome to phpBB3' "
                       "OR post_text LIKE '%This is an example post%'"),
        &ok);
    QVERIFY(ok);
    QVERIFY2(leftovers.isEmpty(), qPrintable(rowsText(leftovers)));
    // Post 1 is a converted post (phpBB's has no poster reference) in a converted topic.
    const QStringList post1 =
        rows(l->db, QStringLiteral("SELECT p.poster_ip, t.topic_first_post_id FROM phpBB3_posts p "
                                   "JOIN phpBB3_topics t ON t.topic_id = p.topic_id WHERE p.post_id = 1"),
             &ok)
            .value(0);
    QVERIFY2(post1.value(0).contains(QLatin1Char('^')), qPrintable(post1.join(QLatin1Char(' '))));
    QCOMPARE(post1.value(1), QStringLiteral("1"));
    QVERIFY(ok);
}

// ---- Private areas, attachment types, descriptions, redirects -------------------------

void TestConversion::privateAreasArePrivate()
{
    const Loaded *l = current();
    if (!l)
        return;
    // The forums that must be private: hidden pages and all below them.
    QSet<int> wanted;
    bool ok = true;
    if (l->sc.sample) {
        wanted.insert(rows(l->db, QStringLiteral("SELECT forum_id FROM phpBB3_forums WHERE forum_name = "
                                                 "'Committee: Reserve Access Talks'"),
                           &ok)
                          .value(0)
                          .value(0)
                          .toInt());
    } else {
        const qbgen::Manifest &m = l->manifest;
        QVector<int> forumOfPage(m.pageList.size());
        QVector<bool> hidden(m.pageList.size());
        int forumId = 0, category = -1;
        for (int i = 0; i < m.pageList.size(); ++i) {
            while (category < m.pageList.at(i).category)
                ++category, ++forumId;
            forumOfPage[i] = ++forumId;
            const int parent = m.pageList.at(i).parent;
            hidden[i] = m.pageList.at(i).hidden || (parent >= 0 && hidden.at(parent));
            if (hidden.at(i))
                wanted.insert(forumOfPage.at(i));
        }
    }
    QVERIFY(!wanted.isEmpty() && !wanted.contains(0));
    const QList<QStringList> group = rows(
        l->db, QStringLiteral("SELECT g.group_type, COUNT(ug.user_id) FROM phpBB3_groups g LEFT JOIN phpBB3_user_group ug "
                              "ON ug.group_id = g.group_id WHERE g.group_name = 'Private Discus Areas' GROUP BY g.group_id"),
        &ok);
    QCOMPARE(group, (QList<QStringList>{{QStringLiteral("2"), QStringLiteral("0")}}));
    const QString privateRoles = QStringLiteral("ADMINISTRATORS:ROLE_FORUM_FULL,ADMINISTRATORS:ROLE_MOD_FULL,"
                                                "GLOBAL_MODERATORS:ROLE_FORUM_POLLS,Private Discus Areas:ROLE_FORUM_STANDARD");
    const QString publicRoles = QStringLiteral(
        "ADMINISTRATORS:ROLE_FORUM_FULL,ADMINISTRATORS:ROLE_MOD_FULL,BOTS:ROLE_FORUM_BOT,GLOBAL_MODERATORS:ROLE_FORUM_POLLS,"
        "GUESTS:ROLE_FORUM_READONLY,NEWLY_REGISTERED:ROLE_FORUM_NEW_MEMBER,REGISTERED:ROLE_FORUM_STANDARD,"
        "REGISTERED_COPPA:ROLE_FORUM_STANDARD");
    const QString categoryRoles = QStringLiteral("BOTS:ROLE_FORUM_READONLY,GUESTS:ROLE_FORUM_READONLY,"
                                                 "REGISTERED:ROLE_FORUM_READONLY,REGISTERED_COPPA:ROLE_FORUM_READONLY");
    const QList<QStringList> perms = rows(
        l->db, QStringLiteral("SELECT f.forum_id, f.forum_type, GROUP_CONCAT(CONCAT(g.group_name, ':', r.role_name) "
                              "ORDER BY g.group_name, r.role_name) FROM phpBB3_forums f "
                              "LEFT JOIN phpBB3_acl_groups a ON a.forum_id = f.forum_id "
                              "LEFT JOIN phpBB3_groups g ON g.group_id = a.group_id "
                              "LEFT JOIN phpBB3_acl_roles r ON r.role_id = a.auth_role_id "
                              "GROUP BY f.forum_id ORDER BY f.forum_id"),
        &ok);
    QVERIFY(ok);
    QCOMPARE(int(perms.size()), l->forums);
    QStringList problems;
    for (const QStringList &r : perms) {
        const int id = r.value(0).toInt();
        const QString want = wanted.contains(id) ? privateRoles
                                                 : (r.value(1) == QLatin1String("0") ? categoryRoles : publicRoles);
        if (r.value(2) != want)
            problems << QStringLiteral("forum %1: %2").arg(id).arg(r.value(2));
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    // The progress log names each private forum.
    const QString log = qbtest::readText(l->out + QStringLiteral("/Log.txt"));
    QCOMPARE(int(log.count(QStringLiteral("Private Forum - "))), int(wanted.size()));
}

void TestConversion::attachmentTypesAreAllowed()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    // Each converted attachment's type: the group holding it, and whether that group is on.
    const QList<QStringList> types = rows(
        l->db, QStringLiteral("SELECT DISTINCT a.extension, COALESCE(g.group_name, '-'), COALESCE(g.allow_group, 0) "
                              "FROM phpBB3_attachments a LEFT JOIN phpBB3_extensions e ON e.extension = a.extension "
                              "LEFT JOIN phpBB3_extension_groups g ON g.group_id = e.group_id ORDER BY a.extension"),
        &ok);
    QVERIFY(ok);
    QList<QStringList> want;
    if (l->sc.awkwardNames)
        want = {{QStringLiteral("gpx"), QStringLiteral("DOWNLOADABLE_FILES"), QStringLiteral("1")},
                {QStringLiteral("png"), QStringLiteral("IMAGES"), QStringLiteral("1")},
                {QStringLiteral("svg"), QStringLiteral("-"), QStringLiteral("0")},
                {QStringLiteral("txt"), QStringLiteral("PLAIN_TEXT"), QStringLiteral("1")}};
    else if (l->sc.sample)
        want = {{QStringLiteral("png"), QStringLiteral("IMAGES"), QStringLiteral("1")},
                {QStringLiteral("txt"), QStringLiteral("PLAIN_TEXT"), QStringLiteral("1")}};
    QCOMPARE(types, want);
    // Groups of no converted attachment keep phpBB's setting (documents stay off).
    QCOMPARE(rows(l->db, QStringLiteral("SELECT allow_group FROM phpBB3_extension_groups WHERE group_name = 'DOCUMENTS'"), &ok)
                 .value(0)
                 .value(0),
             QStringLiteral("0"));
    if (l->sc.awkwardNames)
    {
        const QString log = qbtest::readText(l->out + QStringLiteral("/Log.txt"));
        const qsizetype at = log.indexOf(QStringLiteral("Attachment Type Refused - "));
        QVERIFY2(at >= 0 && log.mid(at, 80).contains(QStringLiteral("map.svg")), qPrintable(log.right(2000)));
    }
}

void TestConversion::descriptionsAreStoredForm()
{
    const Loaded *l = current();
    if (!l)
        return;
    bool ok = true;
    const QList<QStringList> descs =
        rows(l->db, QStringLiteral("SELECT forum_id, forum_desc, forum_desc_uid, forum_desc_bitfield, forum_desc_options "
                                   "FROM phpBB3_forums WHERE forum_desc <> ''"),
             &ok);
    QVERIFY(ok);
    QVERIFY(!descs.isEmpty());
    bool bold = false;
    for (const QStringList &r : descs) {
        const QString where = QStringLiteral("forum %1: %2").arg(r.value(0), r.value(1));
        QDomDocument doc;
        QVERIFY2(bool(doc.setContent(r.value(1))), qPrintable(where));
        const QString root = doc.documentElement().tagName();
        QVERIFY2(root == QLatin1String("t") || root == QLatin1String("r"), qPrintable(where));
        QCOMPARE(r.value(4), QStringLiteral("5"));
        // A text with BBCode has a bitfield and the uid, plain text neither.
        QCOMPARE(r.value(2), root == QLatin1String("r") ? phpBBBbcodeUid() : QString());
        QCOMPARE(r.value(3), phpBBStoredBitfield(r.value(1)));
        QCOMPARE(r.value(3).isEmpty(), root == QLatin1String("t"));
        if (r.value(1).contains(QLatin1String("<B><s>[b]</s>"))) {
            bold = true;
            QVERIFY2(QByteArray::fromBase64(r.value(3).toLatin1()).at(0) & 0x40, qPrintable(where));
        }
    }
    if (l->sc.sample)
        QVERIFY2(bold, qPrintable(rowsText(descs)));
}

void TestConversion::redirectsLeadToTheirPages()
{
    const Loaded *l = current();
    if (!l)
        return;
    const QString base = l->out + QStringLiteral("/redirect/");
    const QString htaccess = qbtest::readText(base + QStringLiteral(".htaccess"));
    const QString nginx = qbtest::readText(base + QStringLiteral("nginx-redirects.conf"));
    static const QRegularExpression canonical(QStringLiteral("<link rel=\"canonical\" href=\"([^\"]*)\""));
    static const QRegularExpression target(QStringLiteral("/view(topic|forum)\\.php\\?([tf])=(\\d+)$"));
    QDirIterator it(base, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    int pages = 0;
    QStringList problems;
    bool ok = true;
    while (it.hasNext()) {
        const QString file = it.next();
        const QString old = file.mid(base.size());
        ++pages;
        const QString address = canonical.match(qbtest::readText(file)).captured(1);
        const QRegularExpressionMatch m = target.match(address);
        const QString number = GetLeadingDigits(QFileInfo(file).fileName());
        if (!m.hasMatch() || !address.startsWith(kForumAddress)) {
            problems << old + QStringLiteral(" -> ") + address;
            continue;
        }
        // Each old page once in each map, with the page's address.
        if (htaccess.count(QStringLiteral("RewriteRule ^") + QString(old).replace(QLatin1Char('.'), QStringLiteral("\\.")) + QStringLiteral("$ ") + address + QStringLiteral(" [R=301,L]\n")) != 1
            || nginx.count(QStringLiteral("\"/") + old + QStringLiteral("\" \"") + address + QStringLiteral("\";")) != 1)
            problems << old + QStringLiteral(" not once in the maps");
        if (m.captured(2) == QLatin1String("t")) {
            // The topic's posts come from this page (poster_ip: topic^page^post).
            const QString pageOfTopic =
                rows(l->db, QStringLiteral("SELECT DISTINCT SUBSTRING_INDEX(SUBSTRING_INDEX(poster_ip, '^', 2), '^', -1) "
                                           "FROM phpBB3_posts WHERE topic_id = ") + m.captured(3),
                     &ok)
                    .value(0)
                    .value(0);
            if (pageOfTopic != number)
                problems << old + QStringLiteral(" -> topic of page ") + pageOfTopic;
        } else {
            // A forum without a topic of its own; a board's top page leads to a board forum.
            const QStringList f = rows(l->db, QStringLiteral("SELECT (SELECT COUNT(*) FROM phpBB3_topics t WHERE "
                                                             "t.forum_id = f.forum_id), p.parent_id FROM phpBB3_forums f "
                                                             "JOIN phpBB3_forums p ON p.forum_id = f.parent_id WHERE f.forum_id = ")
                                                  + m.captured(3),
                                      &ok)
                                      .value(0);
            const bool boardPage = QFileInfo(file).fileName() == QFileInfo(file).dir().dirName() + QStringLiteral(".html");
            if (f.value(0) != QLatin1String("0") || (boardPage && f.value(1) != QLatin1String("0")))
                problems << old + QStringLiteral(" -> forum ") + m.captured(3) + QLatin1Char(' ') + f.join(QLatin1Char(','));
        }
    }
    QVERIFY(ok);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    // Every page, hidden ones included, has its redirection: forums minus categories.
    QCOMPARE(pages, l->forums - int(l->categoryNames.size()));
    QCOMPARE(int(htaccess.count(QStringLiteral("RewriteRule "))), pages);
}

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
