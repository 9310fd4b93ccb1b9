#pragma once
// The page stack of the board walk: one level per nesting level of the page being
// walked (level 1 is the board page). The posts reader fills the current level's
// post ids and posters; the topics writer reads them.
#include <QString>
#include <QVector>

struct DataIndexLevel {
    QString pageContent;
    qint32 topicSearchStart = 0, topicSearchEnd = 0;
    qint32 announcementSearchStart = 0, announcementSearchEnd = 0;
    qint32 postSearchStart = 0, postSearchEnd = 0;
    QString pagePath;
    QString securePagePath;
    QString pageLink;
    QString topicNumber = QStringLiteral("0");
    QString pageNumber;
    QString postBlock, announcementBlock, topicEntry;
    QString topicName;
    QString pageName;
    QString subPagePath;
    QString pageTitle;
    QString PageLinkText;
    qint32 passCount = 0;
    qint32 foundFlags = 0;
    qint32 firstPostId = 0, lastPostId = 0;
    qint32 firstPosterId = 0, lastPosterId = 0;
    qint32 parentForumId = 0;
    qint32 topicIdAtEntry = 0;
    qint32 topicId = 0; // the id reserved for this page's topic when its posts are read (0: none)
};

class DataIndex {
public:
    // Resizes to levels 0..level, keeping the levels that remain; new levels are empty.
    void reset(int level) { m_levels.resize(level + 1); }
    // Empties one level (topic number "0").
    void init(int level) { m_levels[level] = DataIndexLevel(); }
    DataIndexLevel &at(int level) { return m_levels[level]; }
    const DataIndexLevel &at(int level) const { return m_levels[level]; }
    int upperBound() const { return m_levels.size() - 1; }

private:
    QVector<DataIndexLevel> m_levels = QVector<DataIndexLevel>(1);
};
