#pragma once
// One conversion run: its settings, the host it reports to, and everything the run
// creates, which goes with the object so that every run starts from nothing. Phases
// take the run object.
#include "routines/clsCvGenRtns.h"
#include "run/BackgroundWork.h"
#include "run/DataIndex.h"
#include "run/ImportFile.h"
#include "run/KeyedCollection.h"
#include "run/PostRecords.h"
#include "run/RunHost.h"
#include "run/RunSettings.h"
#include "run/RunTally.h"
#include "run/clsMember.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

class phpMyAdminScript;

class ConversionRun {
public:
    explicit ConversionRun(RunHost &host, RunSettings settings = RunSettings());

    RunHost &host;
    RunSettings settings;
    // The library's general routines (files and folders); they carry no state.
    clsCvGenRtns &gen() { return m_gen; }

    bool stopped() const { return host.StopConversion; }
    void CvDoEvents() { host.CvDoEvents(); }
    void DisplayInfo(const QString &text, bool forceDisplay = false, bool forceLog = false, bool alsoErrorLog = false)
    {
        host.DisplayInfo(text, forceDisplay, forceLog, alsoErrorLog);
    }
    template <typename F>
    bool Trap(const QString &label, F &&body)
    {
        return host.Trap(label, std::forward<F>(body));
    }
    // Tab characters of the current page walk depth (progress line indent).
    QString indent(int extra = 0) const { return QString(CurrentLevel + extra, QLatin1Char('\t')); }

    // Import file series, in the order they are named, cleaned and closed; userGroup holds
    // the group memberships of the converted members, written with the users. phpMyAdmin
    // is the script's form for phpMyAdmin, from the guard to the finishing section (made
    // by phpMyAdminScriptStart).
    ImportFile topics, unknown, posts, users, forums, attachments, groups, internalLinks, internalLinksUpdate;
    ImportFile userGroup;
    // Rows made on the spare thread wait here, each set behind the rows written before it;
    // while any wait, every row written queues behind them, so that the files and the
    // script keep the order in which the rows were written (see DeferRows).
    struct DeferredRows {
        std::function<bool()> ready; // empty for rows that are ready
        std::function<void()> write;
    };
    std::deque<DeferredRows> deferredRows;
    int deferredSets = 0;            // the entries with ready()
    bool writingDeferredRows = false;
    void nameOutputFiles(); // templates in the output folder, file number 1 each
    std::shared_ptr<phpMyAdminScript> phpMyAdmin;

    // Members and groups, and the members' post counts by count (indexes 0..100).
    KeyedCollection<MemberPtr> MembersById, MembersByUserName, MembersByRealName;
    KeyedCollection<QString> MemberRealNames;
    KeyedCollection<GroupPtr> GroupsByName;
    QVector<qint32> MemberPostCounts = QVector<qint32>(101, 0);

    // Forums: id and nested-set counters, ids by name, the parent id of every forum row by
    // forum id - 1, and the private forums: those made from a hidden topic entry or a page
    // of the secure folder, and every forum below one (only administrators, global
    // moderators and the group "Private Discus Areas" get permissions there).
    qint32 ForumIdCounter = 0;
    qint32 LeftIdCounter = 1;
    KeyedCollection<qint32> ForumIdsByName;
    QVector<qint32> ForumParents;
    QSet<qint32> PrivateForumIds;

    // Topics: the id counter and page number -> "forum id,topic id".
    qint32 TopicIdCounter = 0;
    KeyedCollection<QString> TopicIdsByNumber;

    // Page walk: the page stack, its depth, whether the page is a hidden one, and the
    // pages on the current path (canonical file paths; an entry leading back to one of
    // them is not walked again).
    DataIndex dataIndex;
    int CurrentLevel = 0;
    bool CurrentPageHidden = false;
    QSet<QString> WalkPagePaths;

    // Posts: counters and times, the poster of the post being converted, and whether the
    // page read last lists its posts newest first (its rows were written in reverse,
    // numbered oldest first).
    qint32 PostIdCounter = 0;
    qint32 PageCounter = 0;
    qint32 FirstPostTime = 0;
    qint32 LastPostTime = 0;
    qint32 CurrentPosterId = 0;
    bool PostsNewestFirst = false;

    // Attachments: the id counter, the current page's attachment rows, and the marks:
    // ProcessAttachments sets CurrentPostHasAttachment for the post being converted (the
    // posts reader clears it before each post and then writes post_attachment 1),
    // TopicHasAttachment for the topic row of the page. CurrentPostInline holds the
    // images of the post being converted that became inline attachments (cleared before
    // each post), AttachmentExtensions the lower-case extension of every converted
    // attachment with the files that have it.
    qint32 AttachIdCounter = 0;
    QStringList *pageAttachmentRows = nullptr;
    bool CurrentPostHasAttachment = false;
    bool TopicHasAttachment = false;
    QVector<phpBBInlineAttachment> CurrentPostInline;
    QMap<QString, QStringList> AttachmentExtensions;

    // Links: the recorded links whose target was converted after them, gathered by the
    // update pass; the script's finishing section puts the phpBB address into their posts.
    QVector<phpBBLinkUpdate> LinkUpdates;

    // Special characters (sequence -> replacement). Named references differ by letter
    // case ("&Eacute;" and "&eacute;"): SpecialCharactersExact holds the sequences exactly
    // as written and an exact match wins; SpecialCharacters keeps only those whose letter
    // case does not matter, plus the unknown ones the scan has reported.
    KeyedCollection<QString> SpecialCharacters;
    QHash<QString, QString> SpecialCharactersExact;

    // Redirection pages: the template, the folders made so far (each is created once),
    // and every old page that got a page, in the order written: its path below the old
    // site's root ("discus/messages/3/120.html") and its new address below the forum's
    // ("viewtopic.php?t=5"). An old page written again keeps its place and takes the
    // newer address.
    QString RedirectTemplate;
    QSet<QString> RedirectFolders;
    QStringList RedirectOldPaths, RedirectNewPaths;
    QHash<QString, int> RedirectIndexByPath;

    // What the final report tells, and the progress of the page walk.
    RunTally tally;

    // The second thread for output work (redirection pages, the SQL for phpMyAdmin);
    // declared last, so that its jobs have run before anything they use is destroyed.
    std::unique_ptr<BackgroundWork> background;

private:
    clsCvGenRtns m_gen;
};
