// The special-character tables: one line per character reference, the same references
// for every charset (pages are decoded before their references are replaced, and the
// import files are UTF-8, so a character means the same whatever the page's charset).
#include "CharTables.h"

namespace qbchartables {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QChar Tab = QLatin1Char('\t');

// The replacement field of a character: between two backticks when it could not be seen
// or would be lost (a backtick alone is deleted when the table is read).
QString replacementField(char32_t code)
{
    const QString c = QString::fromUcs4(&code, 1);
    const QChar::Category category = QChar::category(code);
    const bool quote = code == U'`' || QChar::isSpace(code) || category == QChar::Other_Format
        || category == QChar::Other_Control || category == QChar::Mark_NonSpacing;
    return quote ? QLatin1Char('`') + c + QLatin1Char('`') : c;
}

QString line(const QString &first, const QString &replacement, const QString &second)
{
    return first + Tab + replacement + Tab + second + CrLf;
}

bool isNamed(const QString &text)
{
    return !text.startsWith(QLatin1String("&#"));
}

} // namespace

QStringList Charsets()
{
    return {QStringLiteral("big5"),       QStringLiteral("euc-jp"),     QStringLiteral("euc-kr"),
            QStringLiteral("gb2312"),     QStringLiteral("iso-2022-jp"), QStringLiteral("iso-2022-kr"),
            QStringLiteral("iso-8859-1"), QStringLiteral("iso-8859-2"), QStringLiteral("iso-8859-3"),
            QStringLiteral("iso-8859-4"), QStringLiteral("iso-8859-5"), QStringLiteral("iso-8859-6"),
            QStringLiteral("iso-8859-7"), QStringLiteral("iso-8859-8"), QStringLiteral("iso-8859-9"),
            QStringLiteral("koi8-r"),     QStringLiteral("shift-jis"),  QStringLiteral("us-ascii"),
            QStringLiteral("utf-7"),      QStringLiteral("utf-8")};
}

QVector<Reference> ParseReferences(const QString &listText, QString *error)
{
    QVector<Reference> references;
    const QStringList lines = listText.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString text = lines.at(i).trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = text.split(Tab);
        Reference r;
        r.text = fields.at(0);
        bool ok = fields.size() == 2 || (fields.size() == 3 && fields.at(2) == QLatin1String("keep"));
        r.keep = fields.size() == 3;
        const uint code = ok ? fields.at(1).toUInt(&ok) : 0;
        r.code = code;
        // A reference the scan looks at: "&", at least two characters, ";", ten at most.
        ok = ok && code > 0 && code <= 0x10FFFF && r.text.size() >= 4 && r.text.size() <= 10
            && r.text.startsWith(QLatin1Char('&')) && r.text.endsWith(QLatin1Char(';'))
            && r.text.count(QLatin1Char('&')) == 1 && r.text.count(QLatin1Char(';')) == 1;
        if (!ok) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(i + 1).arg(lines.at(i));
            return {};
        }
        references.append(r);
    }
    return references;
}

QByteArray TableBytes(const QString &charset, const QVector<Reference> &references)
{
    QString table = QStringLiteral("Quillbridge special character table for ") + charset
        + QStringLiteral(" pages. Each line: a character reference, its replacement and a second reference,"
                         " separated by TAB characters; a replacement between two backticks stands for the"
                         " character between them. Made by tools/qb-chartables from its entities.txt.")
        + CrLf;
    for (const Reference &r : references) {
        const QString twin = QStringLiteral("&#") + QString::number(quint32(r.code)) + QLatin1Char(';');
        const bool named = isNamed(r.text);
        if (r.keep) {
            table += line(r.text, r.text, QString());
            if (named)
                table += line(twin, twin, QString());
        } else {
            table += line(r.text, replacementField(r.code), named ? twin : QString());
        }
    }
    return table.toUtf8();
}

} // namespace qbchartables
