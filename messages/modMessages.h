#pragma once
#include <QString>
class ConversionRun;
void DiscusProcessPostsOnPage(ConversionRun &run, const QString &pagePath, const QString &pageTitle, const QString &topicName,
                              const QString &pageName, const QString &pageLinkText, qint32 forumId, qint32 lastPosterId,
                              qint32 firstPosterId, const QString &pageContent);
