#pragma once
// One conversion run: everything a run creates lives here and goes with the object,
// so every run starts from nothing. Phases take the run object.
#include "boards/DataIndex.h"
#include "convert/ConvertController.h"
#include "convert/KeyedCollection.h"
#include "convert/RunTally.h"
#include "members/clsMember.h"
#include "output/ImportFile.h"
#include "output/BackgroundWork.h"
#include "output/phpMyAdminScript.h"
#include "output/phpBBScript.h"
#include "messages/phpBBStoredText.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <memory>

class ConversionRun {
public:
    explicit ConversionRun(ConvertController &controller);

    ConvertController &ctl;

    bool stopped() const { return ctl.StopConversion; }
    void CvDoEvents() { ctl.CvDoEvents(); }
    void DisplayInfo(const QString &text, bool forceDisplay = false, bool forceLog = false, bool alsoErrorLog = false)
    {
        ctl.DisplayInfo(text, forceDisplay, forceLog, alsoErrorLog);
    }
    template <typename F>
    bool Trap(const QString &label, F &&body)
    {
        return ctl.Trap(label, std::forward<F>(body));
    }
    // Tab characters of the current page walk depth (progress line indent).
    QString indent(int extra = 0) const { return QString(CurrentLevel + extra, QLatin1Char('\t')); }

    // Import file series, in the order they are named, cleaned and closed.
    ImportFile topics, unknown, posts, users, forums, attachments, groups, internalLinks, internalLinksUpdate;
    // Group memberships of the converted members, written with the users.
    ImportFile userGroup;
    void nameOutputFiles(); // templates in the output folder, file number 1 each
    // The script's form for phpMyAdmin, from the guard to the finishing section.
    std::unique_ptr<phpMyAdminScript> phpMyAdmin;

    // Members and groups.
    KeyedCollection<MemberPtr> MembersById, MembersByUserName, MembersByRealName;
    KeyedCollection<QString> MemberRealNames;
    KeyedCollection<GroupPtr> GroupsByName;
    QVector<qint32> MemberPostCounts = QVector<qint32>(101, 0); // indexes 0..100
    // Member-file lines that made no member (damaged, too short, blank user name).

    // Forums.
    qint32 ForumIdCounter = 0;
    qint32 LeftIdCounter = 1;
    KeyedCollection<qint32> ForumIdsByName;
    QVector<qint32> ForumParents; // parent id of every forum row, by forum id - 1

    // Topics.
    qint32 TopicIdCounter = 0;
    KeyedCollection<QString> TopicIdsByNumber; // page number -> "forum id,topic id"

    // Page walk.
    DataIndex dataIndex;
    int CurrentLevel = 0;
    bool CurrentPageHidden = false;

    // Posts and attachments.
    qint32 PostIdCounter = 0;
    qint32 PageCounter = 0;
    qint32 AttachIdCounter = 0;
    qint32 FirstPostTime = 0;
    qint32 LastPostTime = 0;
    qint32 CurrentPosterId = 0;
    QStringList *pageAttachmentRows = nullptr; // the current page's attachment rows

    // Board walk and posts reader additions.
    // The pages on the current walk path (canonical file paths): a topic entry that leads
    // back to one of them is not walked again.
    QSet<QString> WalkPagePaths;
    // The page the posts reader read last lists its posts newest first (its rows were
    // written in reverse, numbered oldest first).
    bool PostsNewestFirst = false;
    // End of board walk and posts reader additions.

    // What the final report tells, and the progress of the page walk.
    RunTally tally;

    // Special character table (sequence -> replacement) and the redirection template.
    KeyedCollection<QString> SpecialCharacters;
    QString RedirectTemplate;
    // The folders of redirection pages made so far: each is created once.
    QSet<QString> RedirectFolders;

    // Special characters and attachments additions.
    // The table's sequences exactly as written. Named references differ by letter case
    // ("&Eacute;" and "&eacute;"): an exact match wins, and SpecialCharacters above keeps
    // only the sequences whose letter case does not matter (plus the unknown ones the
    // scan has reported).
    QHash<QString, QString> SpecialCharactersExact;
    // Set by ProcessAttachments when it makes an attachments row for the post being
    // converted. The posts reader clears it before each post's conversion and, when it is
    // set afterwards, writes post_attachment 1 and the topic's topic_attachment 1.
    bool CurrentPostHasAttachment = false;
    // Set when a post of the page being read got an attachment: its topic row says so.
    bool TopicHasAttachment = false;
    // End of special characters and attachments additions.

    // Private areas, attachment types and redirect maps additions.
    // Forums made from a hidden topic entry or a page of the secure folder, and every
    // forum below one: only administrators, global moderators and the group "Private
    // Discus Areas" get permissions there.
    QSet<qint32> PrivateForumIds;
    // The lower-case extension of every converted attachment, with the files that have it.
    QMap<QString, QStringList> AttachmentExtensions;
    // Every old page that got a redirection page, in the order written: its path below
    // the old site's root ("discus/messages/3/120.html") and its new address below the
    // forum's ("viewtopic.php?t=5"). An old page written again keeps its place and takes
    // the newer address.
    QStringList RedirectOldPaths, RedirectNewPaths;
    QHash<QString, int> RedirectIndexByPath;
    // End of private areas, attachment types and redirect maps additions.
    // Forward links and inline images.
    // The recorded links whose target was converted after them, gathered by the update
    // pass: the script's finishing section puts the phpBB address into their posts.
    QVector<phpBBLinkUpdate> LinkUpdates;
    // The images of the post being converted that became inline attachments (cleared
    // before each post's conversion).
    QVector<phpBBInlineAttachment> CurrentPostInline;
    // End of forward links and inline images.

    // The second thread for output work (redirection pages, the SQL for phpMyAdmin);
    // declared last, so that its jobs have run before anything they use is destroyed.
    std::unique_ptr<BackgroundWork> background;
};
