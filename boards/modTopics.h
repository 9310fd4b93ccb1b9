#pragma once
#include <QString>
class ConversionRun;
void DiscusProcessBoardTopics(ConversionRun &run, const QString &page, const QString &categoryName, qint32 parentForumId,
                              bool isSubPage);
void ResetDataIndex(ConversionRun &run, int level);
void InitDataIndex(ConversionRun &run, int level);
void GetTopicInfo(ConversionRun &run, const QString &pageContent, QString &topicName, QString &pageName, QString &topicNumber);
void phpBB3WriteTopicsFile(ConversionRun &run, const QString &title, qint32 forumId, qint32 firstPostId, qint32 lastPostId,
                           qint32 firstPosterId, qint32 lastPosterId);
