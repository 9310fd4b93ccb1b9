#pragma once
// The end of a run in words: the first line says how it ended, then the start, stop and
// elapsed times, the counts of what was written, the output folder and the next steps.
// The same goes into "Conversion Report.html" in the output folder, with the lists of
// skipped pages, unknown posters, unknown sequences and links not found.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class ConversionRun;

struct ConversionReport {
    enum class End { Complete, Cancelled, Error };
    End end = End::Complete;
    QString startText, stopText, elapsedText;
    QString outputFolder, attachmentsFolder, scriptFile;
    // Label and number, in the order they are shown.
    QList<QPair<QString, qint64>> counts;
    struct Item {
        QString what, page;
    };
    struct List {
        QString title, whatHeading;
        QList<Item> items;
    };
    QList<List> lists;

    static QString fileName() { return QStringLiteral("Conversion Report.html"); }
    // Fills the counts and lists from a run that has closed its files (run may be null when
    // the run ended before anything was written).
    void collect(const ConversionRun *run);
    QString headline() const;
    // What the administrator does with the output, in order.
    QStringList nextSteps() const;
    // The text of the end box and of the logs' last entry (CR LF line ends).
    QString text() const;
    QString html() const;
    // Writes html() into the output folder; returns its path, "" when it could not be written.
    QString save() const;
};
