#pragma once
#include <QString>
class ConversionRun;
void DiscusProcessPostsOnPage(ConversionRun &run, const QString &pagePath, const QString &pageTitle, const QString &topicName,
                              const QString &pageName, const QString &pageLinkText, qint32 forumId, qint32 lastPosterId,
                              qint32 firstPosterId, const QString &pageContent);
// The opening marker of the post that starts at postStart (0-based) in the page, up to and
// including its "-->", and its end marker (the opening marker with "/" after "<!--").
// Throws QbError (error 5) when no "-->" follows the post start.
void GetPostMarkers(const QString &pageContent, int postStart, QString &openMarker, QString &endMarker);

// The subject of a post as phpBB writes it: the topic's title (as the topic row stores it)
// on the first post, "Re: " and the title on a reply.
QString phpBBPostSubject(const QString &topicTitle, bool reply);
