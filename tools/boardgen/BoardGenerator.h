#pragma once
// Generator of synthetic Discus installations for tests, the demo and the benchmark.
//
// It writes, under a root folder (the "Local Root" of the converter):
//   discus/messages/board-topics.html            categories and their boards
//   discus/messages/<board>/<board>.html         each board's page
//   discus/messages/<board>/<page>.html          sub pages (topic entries, posts)
//   discus/messages/<board>/<post>.txt           attachment files (when asked for)
//   <admin>/User.txt                             members and their groups (UTF-8)
//   <admin>/secure/<board>/<page>.html           hidden pages
// The pages look like Discus 4 pages (head, charset declaration, navigation, tables) and
// carry the comment markers the converter reads. The result depends only on the options:
// the same options give the same bytes on every machine.
#include <QString>
#include <QStringList>
#include <QVector>

namespace qbgen {

struct Options {
    quint64 seed = 1;
    int categories = 2;
    int boardsPerCategory = 2;
    int depth = 2;        // levels of sub pages below each board page (0: board pages only)
    int fanout = 3;       // topic entries on each page above the deepest level
    int postsPerPage = 5; // posts on every page that carries posts (the deepest pages)
    int members = 20;     // members in User.txt
    int groups = 3;       // distinct groups used by the members
    QString charset = QStringLiteral("utf-8"); // "utf-8" or "iso-8859-1": encoding and meta declaration
    int hiddenEvery = 0;        // every K-th deepest sub page is hidden (secure folder)
    int newestFirstEvery = 0;   // every K-th page with posts lists them newest first
    int unknownEvery = 0;       // every K-th post is by a poster who is not in User.txt
    int mixedEvery = 0;         // every K-th page with topic entries also carries posts
    int linkEvery = 0;          // every K-th post links to another page of the installation
    int attachmentEvery = 0;    // every K-th post carries an attachment file
    int announcementEvery = 0;  // every K-th board page carries an announcement
    int usernameEvery = 9;      // every K-th post by a member is signed with the user name
    QString website = QStringLiteral("http://www.kestrel-valley-birders.example"); // the old site's address
    QString adminFolder = QStringLiteral("discus_admin_1234567890");
    qint64 startTime = 978307200; // time of the first post (2001-01-01 UTC)
};

// One generated page, in the order the converter writes forums (depth first, entries in
// page order).
struct GeneratedPage {
    QString relativePath;  // below the root folder, with "/"
    QString board;         // board number
    QString number;        // page number (the board number for a board page)
    QString name;          // page name ("<!--Me: ")
    QString topicName;     // board name ("<!--Topic: ")
    QString title;         // "<title>"
    QString linkText;      // text of the first ".html?" link (the posts' subject)
    QString categoryName;
    int category = 0;      // index into Manifest::categoryNames
    int parent = -1;       // index of the parent page, -1 for a board page
    int depth = 0;         // 0 for a board page
    int entries = 0;       // topic entries on the page
    bool hidden = false;   // read from the secure folder, entry marked "<!-- Topic Hidden -->"
    bool newestFirst = false;
    bool announcement = false;
    int posts = 0;
    int postOrder = -1;    // rank among pages with posts in the order the converter reads posts
    int firstPostNumber = 0;     // Discus number of the first post on the page (numbers are consecutive)
    qint64 oldestTime = 0;       // time of the oldest post
    qint64 newestTime = 0;       // time of the newest post
    QString oldestPoster;        // poster's member real name (as in User.txt) or unknown name
    QString newestPoster;
    int unknownPosts = 0;
};

struct GeneratedMember {
    QString username;
    QString realName;      // as written in User.txt (field 3) or on the page for unknown posters
    QString email;
    QStringList groups;
    int posts = 0;
    bool unknown = false;  // a poster the member file does not know
};

struct Manifest {
    QString root;
    QString charset;
    quint64 seed = 0;
    int categories = 0;
    int boards = 0;
    int pages = 0;          // page files, hidden ones included
    int pagesWithPosts = 0;
    int posts = 0;
    int members = 0;        // members in User.txt
    int groups = 0;         // distinct group names in User.txt
    int hiddenPages = 0;
    int hiddenPosts = 0;    // posts on hidden pages
    int newestFirstPages = 0;
    int mixedPages = 0;     // pages with both topic entries and posts
    int unknownPosters = 0; // distinct names of posters that User.txt does not know
    int unknownPosts = 0;
    int links = 0;          // links between pages inside post texts
    int attachments = 0;
    int announcements = 0;
    int files = 0;
    qint64 bytes = 0;
    QStringList categoryNames;
    QStringList groupNames;          // in order of first appearance in User.txt
    QVector<GeneratedPage> pageList; // forum order
    QVector<GeneratedMember> memberList; // User.txt order, then unknown posters in the order the converter meets them

    // "key: value" lines, one per count.
    QString summary() const;
    // One tab-separated line per page: path, number, posts, flags, name.
    QString pageLines() const;
};

// Writes the installation into root (created when missing; existing files of the same
// names are replaced). Returns false and sets *error on bad options or a write failure.
bool generateBoard(const Options &options, const QString &root, Manifest &manifest, QString *error = nullptr);

// The text a name becomes for the converter's lookups: the characters that it drops from
// names removed, letter case folded. Two names with the same key are the same member or forum.
QString nameKey(const QString &name);

} // namespace qbgen
