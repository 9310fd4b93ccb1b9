// The Discus main board file (categories and their boards), the forums rows written for
// categories and pages, and the forum tree's statements for the SQL script.
#include "boards/modBoards.h"

#include "boards/modTopics.h"
#include "members/phpBBCleanString.h"
#include "output/ImportFile.h"
#include "output/ImportRows.h"
#include "output/ImportSql.h"
#include "output/TextCleaning.h"
#include "output/TextFiles.h"
#include "output/phpBBScript.h"
#include "output/phpBBStoredText.h"
#include "run/ConversionRun.h"
#include "run/IdLimits.h"

#include <QFile>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString CategoryOpen = QStringLiteral("<!--Category: ");
const QString CategoryClose = QStringLiteral("<!--/Category-->");
const QString TextOpen = QStringLiteral("<!--Text-->");
const QString TextClose = QStringLiteral("<!--/Text-->");
const QString TopOpen = QStringLiteral("<!--Top: ");
const QString TopClose = QStringLiteral("<!--/Top-->");

// Forums per UPDATE statement of the forum tree: keeps each CASE short for the server.
constexpr int ForumTreeChunk = 500;

// The board loop of one category chunk: every "<!--Top: " entry hands its board to the
// page walker under the category's forum.
void processBoards(ConversionRun &run, const QString &chunk, const QString &categoryName)
{
    int searchFrom = 0;
    int entryEnd = 0;
    for (;;) {
        int entryStart = searchFrom;
        const QString entry = GetTextBetween(chunk, TopOpen, TopClose, entryStart, entryEnd);
        if (entry.isEmpty())
            return;
        // The board number: the leading digits of the (at most) ten characters after the marker.
        const QString boardNumber = GetLeadingDigits(chunk.mid(entryStart + TopOpen.size(), 10));
        searchFrom = entryEnd;
        run.host.AddProcessedFolder(boardNumber);
        run.CurrentLevel = 0;
        const qint32 categoryId = run.ForumIdsByName.item(ForumNameKey(categoryName));
        DiscusProcessBoardTopics(run, boardNumber, categoryName, categoryId, false);
        if (run.stopped())
            return;
        run.CvDoEvents();
    }
}

// One UPDATE statement giving forums first..last (1-based ids) their nested-set values.
QString forumTreeStatement(const QVector<QPair<qint32, qint32>> &set, int first, int last)
{
    QString lefts, rights;
    for (int id = first; id <= last; ++id) {
        const QString when = QStringLiteral("WHEN ") + QString::number(id) + QStringLiteral(" THEN ");
        lefts += when + QString::number(set.at(id - 1).first) + CrLf;
        rights += when + QString::number(set.at(id - 1).second) + CrLf;
    }
    return QStringLiteral("UPDATE phpBB3_forums SET left_id = CASE forum_id") + CrLf + lefts
        + QStringLiteral("ELSE left_id END,") + CrLf + QStringLiteral("right_id = CASE forum_id") + CrLf + rights
        + QStringLiteral("ELSE right_id END") + CrLf + QStringLiteral("WHERE forum_id BETWEEN ") + QString::number(first)
        + QStringLiteral(" AND ") + QString::number(last) + QLatin1Char(';') + CrLf + CrLf + CrLf;
}

} // namespace

bool DiscusProcessDiscusMainBoardFile(ConversionRun &run)
{
    if (run.stopped())
        return false;
    run.ForumIdsByName.clear();

    const QString boardTopicsFile = run.settings.BoardTopicsFile.isEmpty()
        ? run.settings.DiscusMessageFolder + QStringLiteral("board-topics.html")
        : run.settings.BoardTopicsFile;
    const QString cgiFile =
        run.settings.DiscusCgiFile.isEmpty() ? run.settings.DiscusMessageFolder + QStringLiteral("discus.cgi") : run.settings.DiscusCgiFile;
    QString mainFile;
    if (run.gen().FileExists(boardTopicsFile))
        mainFile = boardTopicsFile;
    else if (run.gen().FileExists(cgiFile))
        mainFile = cgiFile;
    else {
        const QString text = QStringLiteral("Missing File - ") + boardTopicsFile + CrLf + QStringLiteral("Missing File - ")
            + cgiFile + CrLf + QStringLiteral("One file must exist");
        // Without a main board file nothing of the board can be converted: the run is
        // stopped, so it ends as cancelled instead of reporting a conversion without forums.
        run.DisplayInfo(CrLf + text + CrLf, true, true, true);
        run.host.messageBox(text);
        run.host.StopConversion = true;
        return false;
    }

    bool read = false;
    const bool completed = run.Trap(QStringLiteral("DiscusProcessDiscusMainBoardFile() - ") + mainFile, [&] {
        QString text;
        read = GetFileDataCharset(run, mainFile, text, QString(), true);
        if (!read)
            return;
        run.ForumIdCounter = 0;
        run.LeftIdCounter = 1;
        run.ForumParents.clear();

        int categoryFrom = 0;
        int categoryEnd = 0;
        for (;;) {
            int categoryStart = categoryFrom;
            const QString block = GetTextBetween(text, CategoryOpen, CategoryClose, categoryStart, categoryEnd);
            if (block.isEmpty())
                break;
            const QString categoryName =
                EncodeSpecialCharacters(RemoveTagInformation(GetTextBetween(block, TextOpen, TextClose)));
            phpBB3WriteForumsFile(run, categoryName, run.ForumIdCounter, run.LeftIdCounter, 0, QString());

            // The chunk runs to the next category (or the end of the file): boards listed
            // after "<!--/Category-->" still belong to this category.
            const int nextCategory = int(IndexOfText(text, CategoryOpen, categoryEnd));
            const bool lastCategory = nextCategory < 0;
            const QString chunk = text.mid(categoryStart, lastCategory ? -1 : nextCategory - categoryStart);
            if (chunk.isEmpty())
                break;
            categoryFrom = nextCategory;

            processBoards(run, chunk, categoryName);
            run.CvDoEvents();
            if (run.stopped() || lastCategory)
                break;
        }
    });

    // The closing step runs on every path, also after an error, so the forums and posts
    // written so far are saved with their load statements.
    CloseImportFile(run, run.forums);
    CloseImportFile(run, run.posts);
    CloseImportFile(run, run.internalLinks);
    return completed && read;
}

void phpBB3WriteForumsFile(ConversionRun &run, const QString &name, qint32 &forumIdCounter, qint32 &leftIdCounter,
                           qint32 parentId, const QString &description)
{
    run.Trap(QStringLiteral("phpBB3WriteForumsFile()"), [&] {
        const QString forumName = ForumNameKey(name);
        // phpBB3's forum ids are MEDIUMINT(8) UNSIGNED, like its group ids.
        NextId(forumIdCounter, MaxGroupId, "forum ids");

        clsTblForums row;
        row.forum_id = forumIdCounter;
        row.parent_id = parentId;
        row.left_id = leftIdCounter;
        row.right_id = parentId == 0 ? row.forum_id : parentId;
        NextId(leftIdCounter, MaxRowId, "forum tree ids");
        // phpBB keeps names and descriptions HTML-escaped and prints them as stored.
        row.forum_name = FitColumnText(phpBBEscapeRowText(forumName));
        // The description in phpBB's stored form, as phpBB writes a description with BBCode
        // and links on; the uid goes with a bitfield only.
        if (!description.isEmpty()) {
            row.forum_desc = phpBBStoredText(description, run.settings.ConvertAllFormatting);
            row.forum_desc_bitfield = phpBBStoredBitfield(row.forum_desc);
            if (!row.forum_desc_bitfield.isEmpty())
                row.forum_desc_uid = phpBBBbcodeUid();
        }
        row.enable_icons = 1;
        row.enable_indexing = 1;
        row.enable_prune = 0;
        row.forum_flags = 48;
        row.display_subforum_list = 1;
        row.prune_shadow_days = 0;
        row.prune_shadow_freq = 0;
        row.forum_desc_options = phpBBDescriptionOptions;
        row.forum_type = 1;
        row.forum_rules_options = 7;
        row.prune_days = 0;
        row.prune_viewed = 0;
        row.prune_freq = 0;
        row.forum_image.clear();
        row.forum_password.clear();

        // The parent of every forum id, for the forum tree at the end of the run.
        run.ForumParents.resize(qMax(0, row.forum_id - 1));
        run.ForumParents.append(parentId);

        WriteFileLine(run, row.BuildString(), run.forums, QStringLiteral("phpBB3_forums"));
        // Forums at the top of the tree become phpBB categories (the script's finishing part).
        if (row.parent_id == 0)
            ++run.tally.categories;

        // The latest forum of a name wins the lookups by that name.
        run.ForumIdsByName.remove(forumName);
        run.ForumIdsByName.add(forumName, row.forum_id);
    });
    run.CvDoEvents();
}

QString ForumNameKey(const QString &name)
{
    return EncodeSpecialCharacters(RemoveTagInformation(name));
}

void phpBB3AppendForumTreeSql(ConversionRun &run)
{
    if (run.ForumParents.isEmpty() || run.settings.ImportScriptFile.isEmpty())
        return;
    run.Trap(QStringLiteral("phpBB3AppendForumTreeSql()"), [&] {
        const QVector<QPair<qint32, qint32>> set = ForumNestedSet(run.ForumParents);
        QString sql;
        for (int first = 1; first <= set.size(); first += ForumTreeChunk)
            sql += forumTreeStatement(set, first, qMin(first + ForumTreeChunk - 1, int(set.size())));

        WriteImportScript(run, sql);
    });
    run.CvDoEvents();
}
