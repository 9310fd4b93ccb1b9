#pragma once
// What a run met that its final report tells: the categories written, the members added for
// unknown posters, the pages skipped and why, the unknown character sequences, the links
// whose target was not found and the redirection pages, each with the page where it was met.
// The rows of every table are counted by their import file series.
#include "run/ProgressMeter.h"

#include <QList>
#include <QString>

struct RunTally {
    struct Item {
        QString what; // a name, a sequence, a link, or the reason a page was skipped
        QString page; // the page file where it was met
    };
    qint64 categories = 0;
    QList<Item> skippedPages, skippedMemberLines, unknownPosters, unknownSequences, missingLinks;
    QString currentPage; // the page being converted
    ProgressMeter progress;

    void skipped(const QString &reason, const QString &page) { skippedPages.append({reason, page}); }
    // A member file line left out: what is "Line N - reason", page the member file.
    void memberLineSkipped(const QString &what, const QString &file) { skippedMemberLines.append({what, file}); }
    void unknownPoster(const QString &name) { unknownPosters.append({name, currentPage}); }
    void unknownSequence(const QString &sequence) { unknownSequences.append({sequence, currentPage}); }
    void missingLink(const QString &target) { missingLinks.append({target, currentPage}); }
};
