// The posts of one Discus topic page: every post becomes a posts row, its poster a
// member, and the page's first and last post are left in the walk's current level.
#include "messages/modMessages.h"

#include "members/modMD5Hash.h"
#include "members/modMembers.h"
#include "members/phpBBCleanString.h"
#include "messages/modAttachments.h"
#include "messages/modFormatting.h"
#include "messages/modLinks.h"
#include "messages/modRedirect.h"
#include "output/ImportFile.h"
#include "output/ImportRows.h"
#include "output/TextCleaning.h"
#include "output/TextFiles.h"
#include "output/phpBBStoredText.h"
#include "run/ConversionRun.h"
#include "run/IdLimits.h"
#include "run/ParallelWork.h"

#include <QVarLengthArray>

#include <algorithm>
#include <exception>
#include <limits>
#include <memory>
#include <vector>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString PostOpen = QStringLiteral("<!--Post: ");
const QString CommentEnd = QStringLiteral("-->");
const QString CommentOpen = QStringLiteral("<!--");

// The places of "<!--" in a post, found in one pass. Every marker a post is cut by begins
// with it, and none of its four characters has another case, so a marker search looks
// only there and finds what IndexOfText finds.
class PostComments {
public:
    explicit PostComments(const QString &post) : m_post(post)
    {
        for (qsizetype at = IndexOfText(post, CommentOpen); at >= 0; at = IndexOfText(post, CommentOpen, at + 1))
            m_at.push_back(at);
    }
    // IndexOfText(post, marker, from) for a marker that begins with "<!--".
    qsizetype indexOf(QStringView marker, qsizetype from = 0) const
    {
        for (auto it = std::lower_bound(m_at.begin(), m_at.end(), from); it != m_at.end(); ++it)
            if (TextAt(m_post, *it, marker))
                return *it;
        return -1;
    }
    // GetTextBetween(post, start, end) for such markers.
    QString between(QStringView start, QStringView end) const
    {
        const qsizetype begin = indexOf(start);
        const qsizetype close = begin < 0 ? -1 : indexOf(end, begin + start.size());
        return close < 0 ? QString() : m_post.mid(begin, close + end.size() - begin);
    }

private:
    const QString &m_post;
    QVarLengthArray<qsizetype, 32> m_at;
};

// The post's number: the leading digits of its block from its marker through the first
// "<!--/Post: " after it, once every copy of the marker is taken out and the block is
// trimmed. The head of the post decides them (blanks, digits and copies of the marker),
// so it is read only up to the first other character.
QString postNumber(const QString &post)
{
    QString digits;
    for (qsizetype i = 0; i < post.size();) {
        const QChar c = post.at(i);
        if (c == u'<' && TextAt(post, i, PostOpen)) {
            i += PostOpen.size();
        } else if (c >= u'0' && c <= u'9') {
            digits += c;
            ++i;
        } else if (digits.isEmpty() && c.isSpace()) {
            ++i;
        } else {
            break;
        }
    }
    return digits;
}

// The time of a post: the whole number of the "<!--Time: " marker. Anything else is an
// error of the page (type mismatch), a number beyond 32 bits an overflow.
qint32 postTime(const QString &post, const PostComments &comments)
{
    const QString marker = QStringLiteral("<!--Time: ");
    const qsizetype begin = comments.indexOf(marker);
    const qsizetype end = begin < 0 ? -1 : IndexOfText(post, CommentEnd, begin + marker.size());
    QString text = end < 0 ? QString() : post.mid(begin, end + CommentEnd.size() - begin);
    RemoveText(text, u"<!--Time:");
    text = text.trimmed();
    RemoveText(text, CommentEnd);
    text = text.trimmed();
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok)
        throw QbError(QbErrNo::TypeMismatch, QStringLiteral("Type mismatch"));
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        throw QbError(QbErrNo::Overflow, QStringLiteral("Overflow"));
    return qint32(value);
}

// The poster's name as the posts rows carry it, and the poster's member id: a member
// found by real name or user name, else a new member added for the name.
qint32 resolvePoster(ConversionRun &run, QString &name, const QString &indent)
{
    if (const MemberPtr *member = run.MembersByRealName.find(name)) {
        name = (*member)->RealName;
        return (*member)->ID;
    }
    if (const MemberPtr *member = run.MembersByUserName.find(name)) {
        name = (*member)->username;
        return (*member)->ID;
    }
    run.DisplayInfo(CrLf + CrLf + indent + QStringLiteral("***** Posters User Name / Real Name Not Found - Adding ***** - ")
                    + name + CrLf);
    run.tally.unknownPoster(name);
    return DiscusAddMember(run, (name + QString(10, QLatin1Char(','))).split(QLatin1Char(',')));
}

// A post cut out of its page: its part of the page, from its marker through its end
// marker, with its number, poster and time.
struct PagePost {
    QString post;
    QString number, name, text;
    qint32 posterId = 0, time = 0;
};

// A post's conversion after its attachments, links and images needs only the post:
// formatting, stored form, checksum and row are done on the spare thread.
struct PostConversion {
    const PagePost *page = nullptr;
    qint32 postId = 0;
    bool hasAttachment = false;
    QVector<phpBBInlineAttachment> inlineAttachments;
    QString text;   // after attachments, links and images
    QByteArray row; // in UTF-8
    qsizetype rowCharacters = 0;
    QString failedIn; // the trap that reports error
    std::exception_ptr error;
};

// One page's posts while they are converted. The conversions may still run on the spare
// thread while the next page is read: the page's rows are written once they are done.
struct PageConversion {
    PageConversion(qint32 topic, qint32 forum, QString topicNo, QString pageNo, QString page, bool formatting)
        : topicId(topic), forumId(forum), topicNumber(std::move(topicNo)), pageNumber(std::move(pageNo)),
          pageName(std::move(page)), allFormatting(formatting)
    {
    }
    void convert(int i);

    const qint32 topicId, forumId;
    const QString topicNumber, pageNumber, pageName;
    const bool allFormatting;
    QVector<PagePost> posts;
    std::vector<PostConversion> conversions; // sized once the page's posts are cut
    QStringList attachmentRows;
    // Last, so that it is finished before the rest goes.
    ParallelItems converting{[this](int i) { convert(i); }};
};

void PageConversion::convert(int i)
{
    PostConversion &c = conversions[size_t(i)];
    const PagePost &p = *c.page;
    c.failedIn = QStringLiteral("DiscusProcessFormatting()");
    try {
        QString text = FormattedPostText(c.text, allFormatting);
        c.failedIn = QStringLiteral("DiscusProcessPostsOnPage()");
        // References of "<" and ">" survive the tag removal as references; now they
        // become the characters, which the stored form escapes once.
        text = EncodeSpecialCharacters(ResolveAngleReferences(RemoveTagInformation(text)));

        clsTblPosts row;
        row.post_id = c.postId;
        row.topic_id = topicId;
        row.forum_id = forumId;
        row.poster_id = p.posterId;
        row.icon_id = 0;
        row.poster_ip = FitColumnText(topicNumber + QLatin1Char('^') + pageNumber + QLatin1Char('^') + p.number, 40);
        row.post_time = p.time;
        row.post_reported = 0;
        row.enable_bbcode = 1;
        row.enable_smilies = 1;
        row.enable_magic_url = 1;
        row.enable_sig = 1;
        row.post_username = FitColumnText(phpBBEscapeRowText(p.name));
        // The topic's title on its first post, "Re: " and the title on the replies.
        row.post_subject = phpBBPostSubject(pageName, i > 0);
        // phpBB's stored form, which it renders without parsing the text again.
        row.post_text = phpBBStoredText(text, allFormatting);
        if (!c.inlineAttachments.isEmpty())
            row.post_text = phpBBStoredInlineAttachments(row.post_text, c.inlineAttachments);
        row.bbcode_uid = phpBBBbcodeUid();
        c.failedIn = QStringLiteral("MD5HashString()");
        row.post_checksum = MD5Hex(Windows1252Bytes(text, '?'));
        c.failedIn = QStringLiteral("DiscusProcessPostsOnPage()");
        row.post_attachment = c.hasAttachment ? 1 : 0;
        row.post_postcount = 1;
        row.post_visibility = 1;
        const QString line = row.BuildString();
        c.row = line.toUtf8();
        c.rowCharacters = line.size();
        c.failedIn.clear();
    } catch (...) {
        c.error = std::current_exception();
    }
}

// Writes the page's rows once its conversions are done. A failure is reported as its
// post's own step would have reported it, and the page's rows are not written.
void writePageRows(ConversionRun &run, PageConversion &page)
{
    page.converting.finish();
    for (PostConversion &c : page.conversions) {
        if (c.error) {
            run.Trap(c.failedIn, [&] { std::rethrow_exception(c.error); });
            return;
        }
    }
    for (const PostConversion &c : page.conversions) {
        WriteFileLine(run, c.row, c.rowCharacters, run.posts, QStringLiteral("phpBB3_posts"));
        run.CvDoEvents();
    }
    for (const QString &row : std::as_const(page.attachmentRows))
        WriteFileLine(run, row, run.attachments, QStringLiteral("phpBB3_attachments"));
}

// Points the run at the page's attachment rows while the page is read.
struct PageAttachmentRows {
    ConversionRun &run;
    explicit PageAttachmentRows(ConversionRun &r, QStringList &rows) : run(r) { run.pageAttachmentRows = &rows; }
    ~PageAttachmentRows() { run.pageAttachmentRows = nullptr; }
};

} // namespace

QString phpBBPostSubject(const QString &topicTitle, bool reply)
{
    // phpBB does not put a second "Re: " before a title that starts with one.
    const bool prefix = reply && !topicTitle.startsWith(QLatin1String("Re: "));
    return FitColumnText(phpBBEscapeRowText(prefix ? QStringLiteral("Re: ") + topicTitle : topicTitle));
}

void GetPostMarkers(const QString &pageContent, int postStart, QString &openMarker, QString &endMarker)
{
    const int close = int(IndexOfText(pageContent, CommentEnd, postStart));
    if (postStart < 0 || close < 0)
        throw QbError(QbErrNo::InvalidArgument, QStringLiteral("Invalid procedure call or argument"));
    openMarker = pageContent.mid(postStart, close - postStart) + CommentEnd;
    endMarker = openMarker.left(4) + QLatin1Char('/') + openMarker.mid(4);
}

void DiscusProcessPostsOnPage(ConversionRun &run, const QString &pagePath, const QString &pageTitle,
                              const QString &topicName, const QString &pageName, const QString &pageLinkText,
                              qint32 forumId, qint32 lastPosterId, qint32 firstPosterId, const QString &pageContent)
{
    Q_UNUSED(topicName);
    Q_UNUSED(lastPosterId);
    Q_UNUSED(firstPosterId);
    if (run.stopped())
        return;
    run.Trap(QStringLiteral("DiscusProcessPostsOnPage()"), [&] {
        // At most one earlier page waits for its conversions while this one is read.
        WriteDeferredRows(run, 1);
        const int level = qBound(0, run.CurrentLevel, run.dataIndex.upperBound());
        const QString indent = run.indent(1);

        NextId(run.PageCounter, MaxRowId, "page numbers");
        // The page's topic id is taken now, so its posts and its topic row carry the same
        // id even when topics of sub pages were written since the page was entered.
        const qint32 topicId = NextId(run.TopicIdCounter, MaxRowId, "topic ids");
        {
            DataIndexLevel &L = run.dataIndex.at(level);
            L.topicId = topicId;
            L.firstPostId = run.PostIdCounter + 1;
        }
        const qint32 firstPostId = run.PostIdCounter + 1;
        const auto page = std::make_shared<PageConversion>(topicId, forumId, run.dataIndex.at(level).topicNumber,
                                                           run.dataIndex.at(level).pageNumber, pageName,
                                                           run.settings.ConvertAllFormatting);
        PageAttachmentRows attachments(run, page->attachmentRows);

        QString path = pagePath;
        if (ContainsText(pagePath, u"http://"))
            path = LinkToLocalPath(run, pagePath);
        run.DisplayInfo(indent + QStringLiteral("Processing Post for - ") + pageName + QStringLiteral(" - ") + path
                        + QStringLiteral(" - Record # ") + QString::number(firstPostId) + CrLf);

        SaveRedirectFile(run, path, run.PageCounter, pageLinkText, pageName, pageTitle,
                         QStringLiteral("viewtopic.php?t=") + QString::number(topicId));
        run.FirstPostTime = 0;
        run.LastPostTime = 0;
        run.PostsNewestFirst = false;
        run.TopicHasAttachment = false;


        // First the posts are cut out of the page in page order: poster, time and the
        // page's order. Post ids are handed out afterwards in time order, so they rise
        // with time on newest-first pages too (phpBB takes the lowest id of a topic as its
        // first post), and the body conversions see the id their post will carry.
        QVector<PagePost> &pagePosts = page->posts;
        std::vector<PostConversion> &conversions = page->conversions;
        qint32 firstTime = 0;
        qint32 firstPagePoster = 0, lastPagePoster = 0;
        bool orderDecided = false, newestFirst = false;
        int searchFrom = 0;
        for (;;) {
            const int postStart = int(IndexOfText(pageContent, PostOpen, searchFrom));
            if (postStart < 0)
                break;
            QString openMarker, endMarker;
            GetPostMarkers(pageContent, postStart, openMarker, endMarker);
            const int endAt = int(IndexOfText(pageContent, endMarker, postStart));
            if (endAt < 0)
                break; // a post without its end marker ends the page
            PagePost p;
            searchFrom = endAt + int(endMarker.size());
            p.post = pageContent.mid(postStart, searchFrom - postStart);
            const QString &post = p.post;

            const PostComments comments(post);
            p.number = postNumber(post);
            p.name = StripSpecialCharacters(EncodeSpecialCharacters(
                RemoveTagInformation(comments.between(QStringLiteral("<!--name-->"), QStringLiteral("<!--/name-->")))
                    .trimmed()));
            if (p.name.isEmpty())
                p.name = QStringLiteral("Anonymous");
            p.posterId = resolvePoster(run, p.name, indent);
            run.CurrentPosterId = p.posterId;
            if (p.posterId >= run.MemberPostCounts.size())
                run.MemberPostCounts.resize(qsizetype(p.posterId) + 101);

            p.time = postTime(post, comments);
            p.text = comments.between(QStringLiteral("<!--Text-->"), QStringLiteral("<!--/Text-->"));
            if (pagePosts.isEmpty()) {
                run.FirstPostTime = p.time;
                firstTime = p.time;
                firstPagePoster = p.posterId;
            } else {
                run.LastPostTime = p.time;
                if (!orderDecided && firstTime != p.time) {
                    orderDecided = true;
                    newestFirst = firstTime - qint64(p.time) > 0;
                }
            }
            lastPagePoster = p.posterId;
            if (p.posterId >= 0)
                ++run.MemberPostCounts[p.posterId];
            pagePosts.append(std::move(p));

            // Cancel between posts: nothing of this page is written.
            if (run.stopped())
                return;
            run.CvDoEvents();
        }

        // Then each post is numbered in the order its row is written, and what touches the
        // run (attachments, links, images) is done in that order; the rest is converted
        // on the spare thread (PageConversion) while the next post is prepared.
        const int total = pagePosts.size();
        conversions.resize(size_t(total));
        for (int i = 0; i < total; ++i) {
            PostConversion &c = conversions[size_t(i)];
            c.page = &pagePosts.at(newestFirst ? total - 1 - i : i);
            c.text = c.page->text;
            c.postId = NextId(run.PostIdCounter, MaxRowId, "post ids");
            run.CurrentPosterId = c.page->posterId;
            run.CurrentPostHasAttachment = false;
            run.CurrentPostInline.clear();
            ProcessAttachments(run, c.text, c.page->posterId);
            c.text = DiscusProcessLinks(run, c.text, run.PageCounter, forumId);
            c.text = ProcessImages(run, c.text);
            c.hasAttachment = run.CurrentPostHasAttachment;
            c.inlineAttachments = run.CurrentPostInline;
            if (c.hasAttachment)
                run.TopicHasAttachment = true;

            if (run.stopped())
                return;
            page->converting.add();
            run.CvDoEvents();
        }
        page->converting.close();

        DataIndexLevel &L = run.dataIndex.at(level);
        if (newestFirst) {
            L.firstPosterId = lastPagePoster;
            L.lastPosterId = firstPagePoster;
            std::swap(run.FirstPostTime, run.LastPostTime);
        } else {
            L.firstPosterId = firstPagePoster;
            L.lastPosterId = lastPagePoster;
        }
        L.lastPostId = run.PostIdCounter;
        run.PostsNewestFirst = newestFirst;

        run.DisplayInfo(indent + QStringLiteral("Re-ordering Posts - ") + QString::number(newestFirst ? 1 : total)
                        + QStringLiteral(" - ") + QString::number(L.firstPostId) + QStringLiteral(" to ")
                        + QString::number(L.lastPostId) + CrLf);

        // The rows follow once the conversions are done; the run goes on meanwhile.
        DeferRows(run, [page] { return page->converting.done(); }, [&run, page] { writePageRows(run, *page); });

        run.DisplayInfo(indent + QStringLiteral("Done") + CrLf + CrLf);
    });
}
