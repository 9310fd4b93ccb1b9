// The depth-first walk over one board's pages (every page a forum, every page with posts
// a topic), the page stack DataIndex, and the topics rows.
#include "boards/modTopics.h"

#include "boards/modBoards.h"
#include "members/phpBBCleanString.h"
#include "messages/modAnnouncements.h"
#include "messages/modMessages.h"
#include "messages/modRedirect.h"
#include "output/ImportFile.h"
#include "output/ImportRows.h"
#include "output/TextCleaning.h"
#include "output/TextFiles.h"
#include "run/ConversionRun.h"
#include "run/IdLimits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString TopOpen = QStringLiteral("<!--Top: ");
const QString TopClose = QStringLiteral("<!--/Top-->");
const QString AnnouncementOpen = QStringLiteral("<!--Announcement-->");
const QString AnnouncementClose = QStringLiteral("<!--/Announcement-->");
const QString PostOpen = QStringLiteral("<!--Post: ");
const QString PostClose = QStringLiteral("<!--/Post: ");
const QString HiddenMarker = QStringLiteral("<!-- Topic Hidden -->");
const QString HrefMarker = QStringLiteral("<a href=");

// Pages deeper than this are not walked: a board nested further is surely a loop.
constexpr int MaxWalkDepth = 200;

enum FoundFlag { FoundPost = 1, FoundTopic = 2, FoundAnnouncement = 4 };

// A page file that can be read (a folder of that name does not count): one look at the
// file, as a file found by that name is always found by a directory search too.
bool pageExists(const QString &path)
{
    return QFileInfo(path).isFile();
}

// The key of a page file on the walk path: the same file gives the same key however its
// path is written (links, "..", other spellings): its device and file number, or the
// cleaned path when the file cannot be looked at.
QString walkKey(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) == 0)
        return QString::number(quint64(info.st_dev)) + QLatin1Char(':') + QString::number(quint64(info.st_ino));
    return QDir::cleanPath(path);
}

// Name and number of a "<!--Topic: " or "<!--Me: " marker: "digits/name".
void readMarker(const QString &content, const QString &marker, QString &name, QString &number)
{
    QString text = GetTextBetween(content, marker, QStringLiteral("-->"));
    RemoveText(text, u"-->");
    RemoveText(text, marker);
    number = GetLeadingDigits(text);
    const int slash = text.indexOf(QLatin1Char('/'));
    name = RemoveTagInformation(text.mid(slash + 1).trimmed());
}

// The text of the page's first ".html?" link: the text after its ">" up to "</a>" (or up
// to the next "<"), without its first character, tags removed, characters encoded.
QString pageLinkText(const QString &content)
{
    const QString block = GetTextBetween(content, QStringLiteral(".html?"), QStringLiteral("</a>"));
    QString text = GetTextBetween(block, QStringLiteral(">"), QStringLiteral("</a>"));
    if (text.isEmpty())
        text = GetTextBetween(block, QStringLiteral(">"), QStringLiteral("<"));
    if (text.isEmpty())
        return text;
    return EncodeSpecialCharacters(RemoveTagInformation(text.mid(1)));
}

} // namespace

void DiscusProcessBoardTopics(ConversionRun &run, const QString &page, const QString &categoryName, qint32 parentForumId,
                              bool isSubPage)
{
    if (run.stopped())
        return;
    if (run.CurrentLevel >= MaxWalkDepth) {
        run.DisplayInfo(QStringLiteral("Page Nesting Deeper Than 200 Levels - ") + page + CrLf, true, true, true);
        run.tally.skipped(QStringLiteral("nested deeper than 200 levels"), page);
        return;
    }
    run.CurrentPageHidden = false;
    ++run.CurrentLevel;
    ResetDataIndex(run, run.CurrentLevel);
    const int level = run.CurrentLevel;
    // The stack grows while sub pages are walked, so a level is always looked up afresh.
    const auto lv = [&run, level]() -> DataIndexLevel & { return run.dataIndex.at(level); };
    QString walkKeyAdded;

    // One page, steps 3 to 18 of the walk; returning leaves the page.
    const auto walkPage = [&] {
        const QString indent = run.indent();
        lv().parentForumId = parentForumId;
        lv().topicIdAtEntry = run.TopicIdCounter;
        lv().pageLink = page;

        const QString &messages = run.settings.DiscusMessageFolder;
        const QString &secure = run.settings.DiscusSecureMessageFolder;
        QString pagePath, securePath, pageNumber;
        if (!isSubPage) {
            pagePath = messages + page + QLatin1Char('/') + page + QStringLiteral(".html");
            securePath = secure + page + QLatin1Char('/') + page + QStringLiteral(".html");
            pageNumber = page;
        } else {
            pagePath = page;
            securePath = page;
            QString relative = page;
            if (!messages.isEmpty()) {
                securePath.replace(messages, secure, Qt::CaseInsensitive);
                relative.remove(messages, Qt::CaseInsensitive);
            }
            pageNumber = GetLeadingDigits(relative.mid(relative.lastIndexOf(QLatin1Char('/')) + 1));
        }
        lv().pagePath = pagePath;
        lv().securePagePath = securePath;
        lv().pageNumber = pageNumber;

        if (!pageExists(pagePath)) {
            if (!run.settings.CreateHiddenTopics) {
                run.tally.skipped(QStringLiteral("not in the messages folder (hidden topics are switched off)"), pagePath);
                return;
            }
            if (!pageExists(securePath)) {
                run.DisplayInfo(QStringLiteral("File Does Not Exist - ") + pagePath + QStringLiteral(" nor does ") + CrLf
                                    + QStringLiteral("    ") + securePath + CrLf,
                                true, true, true);
                run.tally.skipped(QStringLiteral("file not found in the messages nor the secure folder"), pagePath);
                return;
            }
            pagePath = securePath;
            lv().pagePath = pagePath;
            run.CurrentPageHidden = true;
        }

        // A topic entry that leads back to a page of the current walk path would walk in
        // a circle for ever.
        const QString key = walkKey(pagePath);
        if (run.WalkPagePaths.contains(key)) {
            run.DisplayInfo(QStringLiteral("Page Already Being Processed - ") + pagePath + CrLf, true, true, true);
            run.tally.skipped(QStringLiteral("links back to a page being converted"), pagePath);
            return;
        }
        run.WalkPagePaths.insert(key);
        walkKeyAdded = key;

        QString content;
        run.tally.progress.pageDone();
        run.host.showProgressBar(run.tally.progress.done(), run.tally.progress.total(), run.tally.progress.secondsLeft());
        if (!GetFileDataCharset(run, pagePath, content, QString(), true)) {
            run.tally.skipped(QStringLiteral("could not be read"), pagePath);
            return;
        }
        run.tally.currentPage = QDir::toNativeSeparators(pagePath);
        lv().pageContent = content;

        QString topicName, pageName, topicNumber;
        GetTopicInfo(run, content, topicName, pageName, topicNumber);
        topicName = EncodeSpecialCharacters(topicName);
        pageName = EncodeSpecialCharacters(pageName);
        lv().topicName = topicName;
        lv().pageName = pageName;
        lv().topicNumber = topicNumber;

        run.DisplayInfo(CrLf + CrLf + indent + QStringLiteral("Processing Page ") + topicName + QStringLiteral(" - ")
                        + pageName + QStringLiteral(" - ") + pagePath + CrLf);

        const QString pageTitle = EncodeSpecialCharacters(
            RemoveTagInformation(GetTextBetween(content, QStringLiteral("<title>"), QStringLiteral("</title>"))));
        const QString linkText = pageLinkText(content);
        lv().pageTitle = pageTitle;
        lv().PageLinkText = linkText;

        // Private areas: a page of the secure folder (read from there or reached through a
        // hidden topic entry) and every page below a private forum. Its forum gets
        // permissions only for administrators, global moderators and "Private Discus Areas".
        const bool privatePage = run.PrivateForumIds.contains(parentForumId)
            || (!secure.isEmpty() && pagePath.startsWith(secure, Qt::CaseInsensitive));
        // The page's forum row; a page without posts redirects to it.
        const auto writePageForum = [&](const QString &description, bool hasPosts) {
            phpBB3WriteForumsFile(run, pageName, run.ForumIdCounter, run.LeftIdCounter, parentForumId, description);
            if (run.stopped())
                return;
            const qint32 forumId = run.ForumIdCounter;
            if (privatePage) {
                run.PrivateForumIds.insert(forumId);
                run.DisplayInfo(indent + QStringLiteral("Private Forum - ") + pageName + QStringLiteral(" (forum ")
                                    + QString::number(forumId)
                                    + QStringLiteral("): only administrators, global moderators and the group "
                                                     "Private Discus Areas may see it")
                                    + CrLf,
                                false, true);
            }
            if (!hasPosts)
                SaveRedirectFile(run, pagePath, forumId, topicName, pageName, pageTitle,
                                 QStringLiteral("viewforum.php?f=") + QString::number(forumId));
        };

        run.host.showPostCount(run.PostIdCounter);
        run.CvDoEvents();
        lv().passCount = 0;

        // A kind of block that was not found once is not found in a later pass either, so
        // its search is not repeated: the page is scanned once per kind.
        bool topicsDone = false, announcementsDone = false, postsDone = false;
        const auto search = [&content](bool &done, const QString &open, const QString &close, qint32 &start,
                                       qint32 &end) -> QString {
            if (done)
                return QString();
            int from = start, to = end;
            const QString block = GetTextBetween(content, open, close, from, to);
            start = from;
            end = to;
            done = block.isEmpty();
            return block;
        };

        for (;;) {
            DataIndexLevel &L = lv();
            L.foundFlags = 0;
            L.topicEntry = search(topicsDone, TopOpen, TopClose, L.topicSearchStart, L.topicSearchEnd);
            L.announcementBlock = search(announcementsDone, AnnouncementOpen, AnnouncementClose,
                                         L.announcementSearchStart, L.announcementSearchEnd);
            L.postBlock = search(postsDone, PostOpen, PostClose, L.postSearchStart, L.postSearchEnd);
            if (!L.postBlock.isEmpty())
                L.foundFlags |= FoundPost;
            if (!L.topicEntry.isEmpty())
                L.foundFlags |= FoundTopic;
            if (!L.announcementBlock.isEmpty())
                L.foundFlags |= FoundAnnouncement;

            if (L.foundFlags == 0) {
                if (L.passCount == 0)
                    writePageForum(QString(), false);
                return;
            }

            run.CurrentPageHidden = false;
            if (ContainsText(L.topicEntry, HiddenMarker)) {
                run.CurrentPageHidden = true;
                run.DisplayInfo(CrLf + QStringLiteral("Encountered Hidden Topic - ") + pagePath + CrLf);
            }
            DataIndexLevel &M = lv();
            M.topicSearchStart = M.topicSearchEnd;
            M.announcementSearchStart = M.announcementSearchEnd;
            M.postSearchStart = M.postSearchEnd;
            const int flags = M.foundFlags;

            QString description;
            if (flags & FoundAnnouncement) {
                description = phpBB3WriteAnnouncementMsg(run, M.announcementBlock);
            }
            // The first pass finds the page's first post when it has any.
            if (M.passCount == 0)
                writePageForum(description, flags & FoundPost);

            if (flags & FoundTopic) {
                if (lv().PageLinkText.isEmpty()) {
                    run.DisplayInfo(CrLf + QStringLiteral("Encountered Topic with no Subject on - ") + pagePath + CrLf);
                } else {
                    QString link = GetTextBetween(lv().topicEntry, HrefMarker, QStringLiteral("?"));
                    RemoveText(link, HrefMarker);
                    link.remove(QLatin1Char('?'));
                    link.remove(QLatin1Char('"'));
                    lv().pageLink = link;
                    const QString subPagePath = LinkToLocalPath(run, link);
                    lv().subPagePath = subPagePath;
                    // The sub page writes its own redirection page: to its topic when it has
                    // posts, else to its forum.
                    run.DisplayInfo(indent + QStringLiteral("Processing Topic - ") + pageName + CrLf);
                    const qint32 forumId = run.ForumIdsByName.item(ForumNameKey(pageName));
                    DiscusProcessBoardTopics(run, subPagePath, categoryName, forumId, true);
                    run.CvDoEvents();
                }
            }

            if (flags & FoundPost) {
                qint32 forumId = run.ForumIdsByName.item(ForumNameKey(pageName));
                DiscusProcessPostsOnPage(run, pagePath, pageTitle, topicName, pageName, linkText, forumId,
                                         lv().lastPosterId, lv().firstPosterId, content);
                forumId = run.ForumIdsByName.item(ForumNameKey(pageName));
                phpBB3WriteTopicsFile(run, pageName, forumId, lv().firstPostId, lv().lastPostId, lv().firstPosterId,
                                      lv().lastPosterId);
                // Every post of the page has been read: no later pass looks for posts.
                lv().postSearchStart = lv().postSearchEnd = content.size() - 1;
                postsDone = true;
            }

            if (run.stopped())
                return;
            run.CvDoEvents();
            ++lv().passCount;
        }
    };

    try {
        walkPage();
    } catch (const QbError &e) {
        run.host.reportError(e.number(), QStringLiteral("DiscusProcessBoardTopics() - ") + lv().pagePath, e.description());
    } catch (const std::exception &e) {
        run.host.reportError(QbErrNo::InternalError, QStringLiteral("DiscusProcessBoardTopics() - ") + lv().pagePath,
                            QString::fromLocal8Bit(e.what()));
    }
    if (!walkKeyAdded.isEmpty())
        run.WalkPagePaths.remove(walkKeyAdded);

    // Leaving the page: a stopped run keeps its stack as it is.
    if (run.stopped())
        return;
    InitDataIndex(run, level);
    run.CurrentLevel = level - 1;
    ResetDataIndex(run, run.CurrentLevel);
}

void ResetDataIndex(ConversionRun &run, int level)
{
    run.Trap(QStringLiteral("ResetDataIndex()"), [&] {
        if (level < 0)
            throw QbError(QbErrNo::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
        run.dataIndex.reset(level);
    });
}

void InitDataIndex(ConversionRun &run, int level)
{
    run.Trap(QStringLiteral("InitDataIndex()"), [&] {
        if (level < 0 || level > run.dataIndex.upperBound())
            throw QbError(QbErrNo::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
        run.dataIndex.init(level);
    });
}

void GetTopicInfo(ConversionRun &run, const QString &pageContent, QString &topicName, QString &pageName,
                  QString &topicNumber)
{
    topicName.clear();
    pageName.clear();
    topicNumber.clear();
    run.Trap(QStringLiteral("GetTopicInfo()"), [&] {
        readMarker(pageContent, QStringLiteral("<!--Topic: "), topicName, topicNumber);
        QString pageDigits;
        readMarker(pageContent, QStringLiteral("<!--Me: "), pageName, pageDigits);
    });
}

void phpBB3WriteTopicsFile(ConversionRun &run, const QString &title, qint32 forumId, qint32 firstPostId, qint32 lastPostId,
                           qint32 firstPosterId, qint32 lastPosterId)
{
    if (run.stopped())
        return;
    run.Trap(QStringLiteral("phpBB3WriteTopicsFile()"), [&] {
        DataIndexLevel &L = run.dataIndex.at(qBound(0, run.CurrentLevel, run.dataIndex.upperBound()));
        qint32 postCount = lastPostId - firstPostId + 1;
        if (lastPostId < firstPostId) {
            postCount = 0;
            lastPostId = firstPostId;
            L.lastPostId = firstPostId;
        }
        if (firstPosterId == 0)
            firstPosterId = 2;
        if (lastPosterId == 0)
            lastPosterId = 2;
        // The id reserved when the page's posts were read, so posts and topic agree.
        const qint32 topicId = L.topicId > 0 ? L.topicId : NextId(run.TopicIdCounter, MaxRowId, "topic ids");

        const MemberPtr &first = run.MembersById.item(QString::number(firstPosterId));
        const MemberPtr &last = run.MembersById.item(QString::number(lastPosterId));

        clsTblTopics row;
        row.topic_id = topicId;
        row.forum_id = forumId;
        // Names and titles are stored HTML-escaped, as phpBB keeps them; only the
        // administrator's name is coloured.
        const auto colour = [](const MemberPtr &m) { return m->ID == 2 ? QStringLiteral("AA0000") : QString(); };
        row.topic_title = FitColumnText(phpBBEscapeRowText(title));
        row.topic_poster = first->ID;
        row.topic_time = run.FirstPostTime;
        row.topic_views = postCount;
        row.topic_first_post_id = firstPostId;
        row.topic_first_poster_name = FitColumnText(phpBBEscapeRowText(first->RealName));
        row.topic_first_poster_colour = colour(first);
        row.topic_last_post_id = lastPostId;
        row.topic_last_poster_id = last->ID;
        row.topic_last_poster_name = FitColumnText(phpBBEscapeRowText(last->RealName));
        row.topic_last_poster_colour = colour(last);
        // The subject of the topic's newest post: a reply's when there is more than one.
        row.topic_last_post_subject = phpBBPostSubject(title, postCount > 1);
        // A one-post page leaves no later post time: its only post is also its last.
        row.topic_last_post_time = postCount == 1 ? run.FirstPostTime : run.LastPostTime;
        row.poll_max_options = 1;
        row.topic_visibility = 1;
        row.topic_posts_approved = postCount;
        row.topic_attachment = run.TopicHasAttachment ? 1 : 0;

        WriteFileLine(run, row.BuildString(), run.topics, QStringLiteral("phpBB3_topics"));

        // The first topic of a page number keeps the key.
        run.TopicIdsByNumber.tryAdd(L.pageNumber, QString::number(forumId) + QLatin1Char(',') + QString::number(topicId));
    });
    run.CvDoEvents();
}
