// phpBB's user names: stored form, cleaning and the reserved names of a fresh board.
// The tables are phpBB's own (members/data, compiled in as the resource "cleanstring").
#include "members/phpBBCleanString.h"

#include "output/TextCleaning.h"

#include <QFile>
#include <QHash>

#include <unicode/unorm2.h>

// The resource lives in the core library, which is static: register it explicitly so the
// linker keeps it. Q_INIT_RESOURCE must be used outside any namespace.
static void registerCleanStringResource()
{
    Q_INIT_RESOURCE(cleanstring);
}

namespace {

using CharMap = QHash<char32_t, QString>;

[[noreturn]] void dataFault(const QString &file, const QString &what)
{
    // The data is compiled into the program: this only happens with a broken build.
    qFatal("phpBB user-name data %s: %s", qPrintable(file), qPrintable(what));
}

// The data lines of one of the compiled-in files: "#" comment lines and empty lines
// left out.
QStringList dataLines(const QString &name)
{
    static const bool registered = (registerCleanStringResource(), true);
    Q_UNUSED(registered);
    QFile file(QStringLiteral(":/phpbb/") + name);
    if (!file.open(QIODevice::ReadOnly))
        dataFault(name, QStringLiteral("missing"));
    QStringList lines;
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            lines << line;
    }
    return lines;
}

// "U+XXXX" (4 to 6 hex digits) as a code point; 0xFFFFFFFF when it is not one.
char32_t codePoint(QStringView token)
{
    constexpr char32_t Invalid = 0xFFFFFFFFu;
    if (token.size() < 6 || token.size() > 8 || !token.startsWith(u"U+"))
        return Invalid;
    bool ok = false;
    const uint value = token.mid(2).toUInt(&ok, 16);
    if (!ok || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return Invalid;
    return char32_t(value);
}

// One table: "from<TAB>to" lines, from one code point, to zero or more.
CharMap readTable(const QString &name)
{
    CharMap map;
    for (const QString &line : dataLines(name)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        const char32_t from = fields.size() == 2 ? codePoint(fields[0]) : 0xFFFFFFFFu;
        if (from == 0xFFFFFFFFu)
            dataFault(name, QStringLiteral("bad line \"%1\"").arg(line));
        QString to;
        for (const QString &token : fields[1].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const char32_t cp = codePoint(token);
            if (cp == 0xFFFFFFFFu)
                dataFault(name, QStringLiteral("bad line \"%1\"").arg(line));
            to += QString::fromUcs4(&cp, 1);
        }
        map.insert(from, to);
    }
    if (map.isEmpty())
        dataFault(name, QStringLiteral("empty"));
    return map;
}

bool isControl(char32_t c)
{
    return c <= 0x1F || (c >= 0x7F && c <= 0x9F);
}

// Calls f(code point, start, length) for each character; a lone surrogate counts as one.
template <typename F>
void forEachCharacter(const QString &text, F f)
{
    const QChar *p = text.constData();
    const QChar *const end = p + text.size();
    while (p < end) {
        const QChar *start = p++;
        char32_t c = start->unicode();
        if (start->isHighSurrogate() && p < end && p->isLowSurrogate())
            c = QChar::surrogateToUcs4(*start, *p++);
        f(c, start, qsizetype(p - start));
    }
}

// One of phpBB's strtr() passes: each character that is a key replaced by its value,
// without looking at the replacement again.
QString applyPass(const QString &text, const CharMap &map)
{
    QString out;
    forEachCharacter(text, [&](char32_t c, const QChar *start, qsizetype length) {
        const auto it = map.constFind(c);
        if (it == map.cend())
            out.append(start, length);
        else
            out.append(*it);
    });
    return out;
}

// phpBB's cleaning up to its space handling is a chain of character-by-character passes
// (case folding common, case folding full, FC_NFKC_Closure, lookalikes, control
// characters removed), none of which rescans its own output. Such passes compose, so
// they are folded into one table here: every character any pass changes, mapped to what
// the whole chain makes of it. Characters not in it stay as they are.
CharMap buildCleanTable()
{
    const CharMap passes[] = {readTable(QStringLiteral("clean-string/case_fold_c.tsv")),
                              readTable(QStringLiteral("clean-string/case_fold_f.tsv")),
                              readTable(QStringLiteral("clean-string/fc_nfkc_closure.tsv")),
                              readTable(QStringLiteral("clean-string/confusables.tsv"))};
    QSet<char32_t> keys;
    for (const CharMap &pass : passes) {
        for (auto it = pass.cbegin(); it != pass.cend(); ++it)
            keys.insert(it.key());
    }
    for (char32_t c = 0; c <= 0x9F; ++c) {
        if (isControl(c))
            keys.insert(c);
    }
    CharMap table;
    table.reserve(keys.size());
    for (const char32_t key : keys) {
        QString text = QString::fromUcs4(&key, 1);
        for (const CharMap &pass : passes)
            text = applyPass(text, pass);
        QString kept;
        forEachCharacter(text, [&](char32_t c, const QChar *start, qsizetype length) {
            if (!isControl(c))
                kept.append(start, length);
        });
        if (kept.size() != 1 || kept.at(0).unicode() != key)
            table.insert(key, kept);
    }
    return table;
}

const CharMap &cleanTable()
{
    static const CharMap table = buildCleanTable();
    return table;
}

// Unicode normalization form C (ICU); a text already in it is returned as it is.
QString toNfc(const QString &text)
{
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2 *nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status))
        qFatal("ICU normalization data unavailable: %s", u_errorName(status));
    const auto *src = reinterpret_cast<const UChar *>(text.utf16());
    const auto length = int32_t(text.size());
    if (unorm2_spanQuickCheckYes(nfc, src, length, &status) == length && U_SUCCESS(status))
        return text;
    status = U_ZERO_ERROR;
    QString out(text.size() + 8, Qt::Uninitialized);
    int32_t written = unorm2_normalize(nfc, src, length, reinterpret_cast<UChar *>(out.data()),
                                       int32_t(out.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        out.resize(written);
        written = unorm2_normalize(nfc, src, length, reinterpret_cast<UChar *>(out.data()),
                                   int32_t(out.size()), &status);
    }
    if (U_FAILURE(status))
        qFatal("ICU normalization failed: %s", u_errorName(status));
    out.resize(written);
    return out;
}

} // namespace

QString phpBBCleanString(const QString &text)
{
    const CharMap &table = cleanTable();
    QString out;
    out.reserve(text.size());
    forEachCharacter(text, [&](char32_t c, const QChar *start, qsizetype length) {
        const auto it = table.constFind(c);
        if (it == table.cend())
            out.append(start, length);
        else
            out.append(*it);
    });
    // Runs of U+0020 become one, and none is left at either end (only U+0020 counts:
    // the lookalike table has turned the other blanks into it already).
    QChar *data = out.data();
    qsizetype kept = 0;
    bool afterSpace = true;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const bool space = data[i] == QLatin1Char(' ');
        if (!space || !afterSpace)
            data[kept++] = data[i];
        afterSpace = space;
    }
    if (kept > 0 && data[kept - 1] == QLatin1Char(' '))
        --kept;
    out.truncate(kept);
    return out;
}

QString phpBBEscapeName(const QString &text)
{
    // Qt's HTML escaping replaces exactly "<", ">", "&" and the double quote, with the
    // same entities as PHP's htmlspecialchars() with ENT_COMPAT; "'" stays.
    return text.toHtmlEscaped();
}

QString phpBBStoredUserName(const QString &raw)
{
    // phpBB's request layer escapes first and normalizes the escaped text.
    return toNfc(phpBBEscapeName(raw));
}

QStringList phpBBReservedUserNames(const QString &version, const QString &adminName)
{
    static const QStringList bots33 = dataLines(QStringLiteral("bots-3.3.txt"));
    static const QStringList bots32 = dataLines(QStringLiteral("bots-3.2.txt"));
    return QStringList{QStringLiteral("Anonymous"), adminName}
           + (version == QLatin1String("3.2") ? bots32 : bots33);
}

QSet<QString> phpBBReservedCleanNames(const QString &version, const QString &adminName)
{
    QSet<QString> names;
    for (const QString &name : phpBBReservedUserNames(version, adminName))
        names.insert(phpBBCleanString(phpBBStoredUserName(name)));
    return names;
}

QString phpBBEscapeRowText(const QString &tokenized)
{
    QString out = ResolveAngleReferences(tokenized).toHtmlEscaped();
    out.replace(QStringLiteral("(})"), QStringLiteral("&quot;"));
    return out;
}
