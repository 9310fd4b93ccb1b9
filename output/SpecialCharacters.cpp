// The run's table of character references ("&eacute;", "&#233;" ...) and the scan that
// replaces them in every text read from a Discus file, reporting the unknown ones.
#include "output/SpecialCharacters.h"

#include "output/TextFiles.h"
#include "run/ConversionRun.h"

#include <QDir>
#include <QFile>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString ReportFileName = QStringLiteral("Discus Special Characters.txt");

// The sequences the scan looks at: "&", at least two characters, ";" and at most ten in all.
constexpr qsizetype MinSequence = 4;
constexpr qsizetype MaxSequence = 10;

// The replacement field of a table line: a field of exactly three characters stands for
// its middle one (so any character can be written between two backticks); otherwise the
// field without its backticks.
QString replacementField(const QString &field)
{
    if (field.size() == 3)
        return field.mid(1, 1);
    QString replacement = field;
    replacement.remove(QLatin1Char('`'));
    return replacement;
}

// Adds one key of a table line. Both tables ignore a key they hold already. A key that
// differs from an earlier one only by letter case ("&Eacute;" after "&eacute;") makes
// letter case matter for that reference: it then leaves the case-blind table, so only
// exact spellings are replaced. firstSpelling maps every case-folded key to the key as
// first written.
void addSequence(ConversionRun &run, QHash<QString, QString> &firstSpelling, const QString &field, const QString &replacement)
{
    const QString key = field.trimmed();
    if (key.isEmpty() || run.SpecialCharactersExact.contains(key))
        return;
    run.SpecialCharactersExact.insert(key, replacement);
    const QString folded = KeyedCollection<QString>::fold(key);
    if (!firstSpelling.contains(folded)) {
        firstSpelling.insert(folded, key);
        run.SpecialCharacters.tryAdd(key, replacement);
    } else {
        run.SpecialCharacters.remove(key);
    }
}

// The table entry of a sequence: its exact spelling first, then without regard to case
// (which also finds the unknown sequences reported before). nullptr when unknown.
const QString *lookup(ConversionRun &run, const QString &sequence)
{
    const auto exact = run.SpecialCharactersExact.constFind(sequence);
    if (exact != run.SpecialCharactersExact.constEnd())
        return &*exact;
    return run.SpecialCharacters.find(sequence);
}

bool containsBlank(const QChar *begin, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i)
        if (begin[i].isSpace())
            return true;
    return false;
}

// Appends the sequences reported by one scan, one per line, in the system's 8-bit code page.
void appendReport(ConversionRun &run, const QStringList &sequences)
{
    const QString path = run.settings.phpBB3OutputFolder + ReportFileName;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw QbError(QbErrNo::PathFileAccess,
                      QStringLiteral("Path/File access error - ") + QDir::toNativeSeparators(path) + QStringLiteral(" - ") + file.errorString());
    const QByteArray bytes = Windows1252Bytes(sequences.join(CrLf) + CrLf);
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw QbError(QbErrNo::FileIO, QStringLiteral("Device I/O error - ") + QDir::toNativeSeparators(path) + QStringLiteral(" - ") + file.errorString());
}

} // namespace

void DiscusGetReplaceableCharacterArray(ConversionRun &run, const QString &charset)
{
    if (run.stopped())
        return;
    run.Trap(QStringLiteral("DiscusGetReplaceableCharacterArray()"), [&] {
        QString path = run.settings.DocsFolder + charset + QStringLiteral(".txt");
        // The tables are named in lower case, like the charset list; a name typed or
        // detected in other letter case finds its table too.
        const QString lowerPath = run.settings.DocsFolder + charset.toLower() + QStringLiteral(".txt");
        if (!run.gen().FileExists(path) && run.gen().FileExists(lowerPath))
            path = lowerPath;
        const QString shown = QDir::toNativeSeparators(path);
        if (!run.gen().FileExists(path)) {
            run.DisplayInfo(QStringLiteral("Replacable character array file not found - ") + shown + CrLf
                                + QStringLiteral("Continuing without it...") + CrLf,
                            true, true, true);
            return;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw QbError(QbErrNo::PathFileAccess, QStringLiteral("Path/File access error - ") + shown + QStringLiteral(" - ") + file.errorString());
        QString text = QString::fromUtf8(file.readAll());
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);

        // Every line but the text after the last CR LF.
        const QStringList lines = text.split(CrLf);
        if (lines.size() < 2) {
            run.DisplayInfo(QStringLiteral("Replacable character array file is empty - ") + shown + CrLf
                                + QStringLiteral("Continuing without it...") + CrLf,
                            true, true, true);
            return;
        }
        QHash<QString, QString> firstSpelling;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QStringList fields = lines.at(i).split(QLatin1Char('\t'));
            const QString replacement = fields.size() > 1 ? replacementField(fields.at(1)) : QString();
            if (!replacement.isEmpty()) {
                addSequence(run, firstSpelling, fields.at(0), replacement);
                if (fields.size() > 2)
                    addSequence(run, firstSpelling, fields.at(2), replacement);
            }
            run.CvDoEvents();
        }
    });
}

void DiscusFindSpecialCharacterSequences(ConversionRun &run, QString &text)
{
    if (!run.settings.FindDiscusSpecialCharacters)
        return;
    run.Trap(QStringLiteral("DiscusFindSpecialCharacterSequences()"), [&] {
        QStringList reported;
        // One forward pass. Every "&" is visited in turn, so replacing each occurrence of
        // a known sequence where the pass meets it replaces all of them. The position of
        // the next ";" is kept between the "&" it serves, so a text with many "&" and
        // few ";" is still read once.
        qsizetype semicolon = -1;
        qsizetype at = text.indexOf(QLatin1Char('&'));
        while (at >= 0) {
            if (semicolon < at) {
                semicolon = text.indexOf(QLatin1Char(';'), at + 1);
                if (semicolon < 0)
                    break; // no ";" after this "&", none after any later one either
            }
            const qsizetype length = semicolon - at + 1;
            qsizetype next = at + 1;
            if (length >= MinSequence && length <= MaxSequence && !containsBlank(text.constData() + at, length)) {
                const QString sequence = text.mid(at, length);
                const QString *replacement = lookup(run, sequence);
                if (!replacement) {
                    // Unknown: reported once per run, left in the text.
                    if (run.SpecialCharacters.tryAdd(sequence, sequence)) {
                        reported << sequence;
                        run.tally.unknownSequence(sequence);
                    }
                } else if (replacement->compare(sequence, Qt::CaseInsensitive) != 0) {
                    // The replacement where the sequence was, NUL characters after it, so
                    // positions in the text stay valid (the reader removes the NULs). A
                    // replacement longer than the sequence gives its first character
                    // (both halves of a surrogate pair).
                    qsizetype put = replacement->size();
                    if (put > length)
                        put = replacement->at(0).isHighSurrogate() && replacement->size() > 1 ? 2 : 1;
                    QChar *d = text.data() + at;
                    for (qsizetype i = 0; i < length; ++i)
                        d[i] = i < put ? replacement->at(i) : QChar(0);
                    next = at + length;
                    semicolon = -1;
                }
            }
            at = text.indexOf(QLatin1Char('&'), next);
        }
        if (!reported.isEmpty())
            appendReport(run, reported);
    });
}
