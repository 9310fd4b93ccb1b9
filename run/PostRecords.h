#pragma once
// What the posts reader gathers in the run for the writers below it: the forward links
// the script's finishing section rewrites, and the images of a post that became inline
// attachments.
#include <QString>
#include <QVector>

// A converted link whose target page was converted after it: the posts that hold its old
// address get the new one.
struct phpBBLinkUpdate {
    QString oldAddress, newAddress;
    QVector<qint32> postIds;
};

// An image the converter placed as "[attachment=" index "]" name "[/attachment]".
struct phpBBInlineAttachment {
    qint32 index = 0;
    QString name; // as it stands in the converted text (row tokens included)
};
