// Text cleaning: tag removal, the row-breaking character tokens, name stripping, leading
// digits, cutting marked blocks out of pages and fitting texts to their columns.
#include "output/TextCleaning.h"

#include <QHash>
#include <QStringView>

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

namespace {

// The middle character of a row token "(x)".
bool isTokenMiddle(QChar c)
{
    return QStringView(u"[\\}]|{:<").contains(c);
}

// True when some closed stretch of the text (between two ">" or from the start to a ">")
// holds more than one "<". Only then can removing one tag join text into a different tag.
bool hasNestedOpeners(QStringView text)
{
    int openers = 0;
    for (const QChar c : text) {
        if (c == u'<') {
            ++openers;
        } else if (c == u'>') {
            if (openers > 1)
                return true;
            openers = 0;
        }
    }
    return false;
}

// When every "<" is closed by the next ">" before another "<" opens, removing each distinct
// tag everywhere comes down to dropping every "<...>" from left to right: nothing joins.
// A "<" without any ">" after it stays with the rest of the text.
QString dropTagsInOneSweep(QStringView text)
{
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype lt = text.indexOf(u'<', from);
        const qsizetype gt = lt < 0 ? -1 : text.indexOf(u'>', lt);
        if (gt < 0) {
            out += text.mid(from);
            return out;
        }
        out += text.mid(from, lt - from);
        from = gt + 1;
    }
}

// Tag removal for texts where a "<" can share its ">" with later "<"s ("a < b <i>"), so that
// removing a tag can join the text around it into a new tag. It does exactly what removing
// each first tag everywhere and starting again does, without rescanning the whole text per
// tag: the angle brackets are kept in a linked list, and every tag whose "<" is the last one
// before its ">" (a "simple" tag) is indexed by its case-folded text, so removing a tag
// everywhere visits only its copies. Removed stretches are skipped through jump marks.
class TagRemover {
public:
    explicit TagRemover(const QString &text) : m_s(text.constData()), m_n(text.size()), m_jump(size_t(m_n), -1)
    {
        for (qsizetype i = 0; i < m_n; ++i) {
            if (m_s[i] == u'<' || m_s[i] == u'>')
                m_pos.push_back(i);
        }
        const int count = int(m_pos.size());
        m_next.resize(size_t(count));
        m_prev.resize(size_t(count));
        m_dead.assign(size_t(count), 0);
        for (int k = 0; k < count; ++k) {
            m_next[size_t(k)] = k + 1 < count ? k + 1 : -1;
            m_prev[size_t(k)] = k - 1;
        }
        m_head = count > 0 ? 0 : -1;
        for (int k = 1; k < count; ++k) {
            if (isClose(k) && !isClose(k - 1))
                m_simple[key(k - 1, k)].push_back(k - 1);
        }
    }

    QString run()
    {
        int final = -1; // the last ">" before the first "<": final text
        for (;;) {
            int p = final < 0 ? m_head : m_next[size_t(final)];
            while (p >= 0 && isClose(p)) {
                final = p;
                p = m_next[size_t(p)];
            }
            if (p < 0)
                break;
            int openers = 0, e = p;
            while (e >= 0 && !isClose(e)) {
                ++openers;
                e = m_next[size_t(e)];
            }
            if (e < 0)
                break; // a "<" without ">": it stays with the rest
            if (openers == 1)
                removeSimple(key(p, e));
            else
                removeNested(text(p, e), openers, p);
            if (!m_dead[size_t(p)])
                remove(p, e); // the tag found always goes
        }
        QString out;
        out.reserve(m_n);
        appendText(out, 0, m_n - 1, -1);
        return out;
    }

private:
    bool isClose(int k) const { return m_s[m_pos[size_t(k)]] == u'>'; }

    // Appends the remaining characters of [from, to]; stops after limit characters if >= 0.
    void appendText(QString &out, qsizetype from, qsizetype to, qsizetype limit) const
    {
        qsizetype i = from;
        while (i <= to && (limit < 0 || out.size() < limit)) {
            if (m_jump[size_t(i)] >= 0) {
                i = m_jump[size_t(i)];
                continue;
            }
            qsizetype j = i;
            while (j <= to && m_jump[size_t(j)] < 0)
                ++j;
            if (limit >= 0)
                j = qMin(j, i + (limit - out.size()));
            out.append(m_s + i, j - i);
            i = j;
        }
    }
    QString text(int a, int b, qsizetype limit = -1) const
    {
        QString t;
        appendText(t, m_pos[size_t(a)], m_pos[size_t(b)], limit);
        return t;
    }
    QString key(int a, int b) const { return text(a, b).toCaseFolded(); }

    // Removes the remaining text from bracket a ("<") through bracket b (">").
    void remove(int a, int b)
    {
        const int before = m_prev[size_t(a)], after = m_next[size_t(b)];
        for (int k = a; k != after; k = m_next[size_t(k)])
            m_dead[size_t(k)] = 1;
        if (before >= 0)
            m_next[size_t(before)] = after;
        else
            m_head = after;
        if (after >= 0)
            m_prev[size_t(after)] = before;
        m_jump[size_t(m_pos[size_t(a)])] = m_pos[size_t(b)] + 1;
        // An open "<" before the removed tag now reaches the next ">": when no other "<"
        // comes first, it starts a new simple tag.
        if (before >= 0 && !isClose(before) && after >= 0 && isClose(after))
            m_simple[key(before, after)].push_back(before);
    }

    // Every copy of a simple tag, in text order. Copies made by this pass's own joins wait
    // for a later pass, as a single left-to-right replacement would leave them.
    void removeSimple(const QString &tagKey)
    {
        std::vector<int> copies = std::move(m_simple[tagKey]);
        m_simple.remove(tagKey);
        std::sort(copies.begin(), copies.end());
        for (const int q : copies) {
            if (m_dead[size_t(q)])
                continue;
            const int b = m_next[size_t(q)];
            if (b >= 0 && isClose(b))
                remove(q, b);
        }
    }

    // Every copy of a tag holding several "<": in each closed stretch only the "<" that has
    // exactly that many "<" up to the ">" can start one.
    void removeNested(const QString &tag, int openers, int from)
    {
        int k = from;
        while (k >= 0) {
            int run = 0;
            while (k >= 0 && !isClose(k)) {
                ++run;
                k = m_next[size_t(k)];
            }
            if (k < 0)
                return;
            const int after = m_next[size_t(k)];
            if (run >= openers) {
                int start = k;
                for (int i = 0; i < openers; ++i)
                    start = m_prev[size_t(start)];
                if (text(start, k, tag.size() + 1).compare(tag, Qt::CaseInsensitive) == 0)
                    remove(start, k);
            }
            k = after;
        }
    }

    const QChar *m_s;
    qsizetype m_n;
    std::vector<qsizetype> m_jump;                  // start of a removed stretch -> first index after it
    std::vector<qsizetype> m_pos;                   // text index of every "<" and ">"
    std::vector<int> m_next, m_prev;                // remaining brackets, linked in text order
    std::vector<char> m_dead;
    int m_head = -1;
    QHash<QString, std::vector<int>> m_simple;      // case-folded simple tag -> its "<" brackets
};

} // namespace

QString RemoveTagInformation(const QString &text)
{
    // The first "<" and the first ">" after it make a tag; every copy of that tag, in any
    // letter case, is removed; then the first "<" is looked for again.
    const qsizetype first = text.indexOf(u'<');
    if (first < 0)
        return text;
    if (!hasNestedOpeners(QStringView(text).mid(first)))
        return text.left(first) + dropTagsInOneSweep(QStringView(text).mid(first));
    return TagRemover(text).run();
}

namespace {

inline bool encodedCharacter(char16_t c)
{
    switch (c) {
    case u',': case 0x201E: case u'"': case 0x201D: case 0x201C: case u'\'': case u'\r': case u'\n': case u'`':
        return true;
    default:
        return false;
    }
}

// The index of the first character from i on that the encoding replaces, n when none.
qsizetype nextEncoded(const char16_t *d, qsizetype i, qsizetype n)
{
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi16(','), quote = _mm_set1_epi16('"'), apostrophe = _mm_set1_epi16('\''),
                  cr = _mm_set1_epi16('\r'), lf = _mm_set1_epi16('\n'), grave = _mm_set1_epi16('`'),
                  low9 = _mm_set1_epi16(short(0x201E)), right = _mm_set1_epi16(short(0x201D)),
                  left = _mm_set1_epi16(short(0x201C));
    for (; i + 8 <= n; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + i));
        const __m128i ascii = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(x, comma), _mm_cmpeq_epi16(x, quote)),
                                           _mm_or_si128(_mm_cmpeq_epi16(x, apostrophe), _mm_cmpeq_epi16(x, grave)));
        const __m128i quotes = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(x, low9), _mm_cmpeq_epi16(x, right)),
                                            _mm_or_si128(_mm_cmpeq_epi16(x, left), _mm_or_si128(_mm_cmpeq_epi16(x, cr),
                                                                                                _mm_cmpeq_epi16(x, lf))));
        if (const int bits = _mm_movemask_epi8(_mm_or_si128(ascii, quotes)))
            return i + (__builtin_ctz(unsigned(bits)) >> 1);
    }
#endif
    while (i < n && !encodedCharacter(d[i]))
        ++i;
    return i;
}

// Appends text encoded; i is the index of its first character to replace.
void appendEncoded(QString &out, const char16_t *d, qsizetype n, qsizetype i)
{
    qsizetype from = 0;
    while (i < n) {
        out.append(reinterpret_cast<const QChar *>(d + from), i - from);
        from = i + 1;
        switch (d[i]) {
        case u',': out += QLatin1String("([)"); break;
        case 0x201E: out += QLatin1String("(\\)"); break;
        case u'"': out += QLatin1String("(})"); break;
        case 0x201D: out += QLatin1String("(])"); break;
        case 0x201C: out += QLatin1String("(|)"); break;
        case u'\'': out += QLatin1String("({)"); break;
        case u'`': out += QLatin1String("(<)"); break;
        case u'\n': out += QLatin1String("(:)"); break;
        default: // CR: with LF one token, alone it stays
            if (i + 1 < n && d[i + 1] == u'\n') {
                out += QLatin1String("(:)");
                from = ++i + 1;
            } else {
                from = i;
            }
            break;
        }
        i = nextEncoded(d, i + 1, n);
    }
    out.append(reinterpret_cast<const QChar *>(d + from), n - from);
}

} // namespace

QString EncodeSpecialCharacters(const QString &text)
{
    // One sweep does what the ordered replacements do: no token holds a replaced character.
    const char16_t *d = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype n = text.size();
    const qsizetype first = nextEncoded(d, 0, n);
    if (first == n)
        return text;
    QString out;
    out.reserve(n + n / 8 + 16);
    appendEncoded(out, d, n, first);
    return out;
}

void AppendEncodedSpecialCharacters(QString &out, QStringView text)
{
    const char16_t *d = text.utf16();
    appendEncoded(out, d, text.size(), nextEncoded(d, 0, text.size()));
}

QString StripSpecialCharacters(const QString &text)
{
    // In this order; each deletion is one left-to-right pass over the result of the one before.
    static const char *const sequences[] = {"([)", "(\\)", "(})", "(])", "(|)", "({)", "\r\n", "\n", "(<)", "?", "^", " .", "..."};
    // Each sequence holds one of these; most names hold none.
    const auto deleted = [](QChar c) { return c == u'(' || c == u'\n' || c == u'?' || c == u'^' || c == u'.'; };
    if (std::none_of(text.begin(), text.end(), deleted))
        return text;
    QString out = text;
    for (const char *s : sequences)
        out.remove(QLatin1String(s));
    return out;
}

QString GetLeadingDigits(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype n = 0;
    while (n < t.size() && t.at(n) >= u'0' && t.at(n) <= u'9')
        ++n;
    return t.left(n);
}

QString GetTextBetween(const QString &text, const QString &startMarker, const QString &endMarker, int &startPos, int &endPos)
{
    const qsizetype from = startPos < 0 ? 0 : startPos;
    const qsizetype begin = IndexOfText(text, startMarker, from);
    startPos = int(begin);
    if (begin < 0)
        return QString();
    const qsizetype end = IndexOfText(text, endMarker, begin + startMarker.size());
    if (end < 0)
        return QString();
    endPos = int(end + endMarker.size());
    return text.mid(begin, endPos - begin);
}

QString GetTextBetween(const QString &text, const QString &startMarker, const QString &endMarker)
{
    int startPos = 0, endPos = 0;
    return GetTextBetween(text, startMarker, endMarker, startPos, endPos);
}

QString DecodeSpecialCharacters(const QString &text, const QString &lineBreak)
{
    if (!text.contains(QLatin1Char('(')))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('(') && i + 2 < text.size() && text.at(i + 2) == QLatin1Char(')')) {
            QString replacement;
            switch (text.at(i + 1).unicode()) {
            case '[': replacement = QStringLiteral(","); break;
            case '\\': replacement = QString(QChar(0x201E)); break;
            case '}': replacement = QStringLiteral("\""); break;
            case ']': replacement = QString(QChar(0x201D)); break;
            case '|': replacement = QString(QChar(0x201C)); break;
            case '{': replacement = QStringLiteral("'"); break;
            case ':': replacement = lineBreak; break;
            case '<': replacement = QStringLiteral("`"); break;
            default: break;
            }
            if (!replacement.isNull()) {
                out += replacement;
                i += 2;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

QString ResolveAngleReferences(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out = text;
    out.replace(QLatin1String("&lt;"), QStringLiteral("<"), Qt::CaseInsensitive);
    out.replace(QLatin1String("&#60;"), QStringLiteral("<"));
    out.replace(QLatin1String("&gt;"), QStringLiteral(">"), Qt::CaseInsensitive);
    out.replace(QLatin1String("&#62;"), QStringLiteral(">"));
    return out;
}

namespace {

// What the searches need to know of each ASCII character, built once: its folded form,
// whether a character outside ASCII folds to it too (the Kelvin sign to "k", the long s
// to "s"), and how well it filters places as a needle character that a page character is
// compared with unfolded (0: not at all, as it is reached from outside ASCII; the higher,
// the rarer in HTML: "!" of "<!--" and ":" of "Post: " rather than "<" or a space).
struct AsciiTable {
    char16_t folded[128];
    bool reached[128] = {};
    quint8 rank[128];
    AsciiTable()
    {
        for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
            const char32_t f = QChar::toCaseFolded(c);
            if (f < 0x80)
                reached[f] = true;
        }
        for (char16_t c = 0; c < 128; ++c) {
            folded[c] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
            const char16_t f = folded[c];
            if (reached[f])
                rank[c] = 0;
            else if (f >= u'a' && f <= u'z')
                rank[c] = 2;
            else if (f == u' ')
                rank[c] = 1;
            else if (f == u'<' || f == u'>' || f == u'=' || f == u'"' || f == u'/')
                rank[c] = 3;
            else
                rank[c] = f == u'!' ? 5 : 4;
        }
    }
};

const AsciiTable &asciiTable()
{
    static const AsciiTable table;
    return table;
}

inline char16_t asciiFolded(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

// Whether the page character h folds to the folded ASCII needle character n.
inline bool foldsTo(char16_t h, char16_t n, bool reached)
{
    if (h < 0x80)
        return asciiFolded(h) == n;
    return reached && QChar::toCaseFolded(char32_t(h)) == n;
}

} // namespace

qsizetype IndexOfText(QStringView text, QStringView needle, qsizetype from)
{
    const qsizetype n = text.size(), m = needle.size();
    if (from < 0 || m == 0 || m > 64)
        return text.indexOf(needle, from, Qt::CaseInsensitive);
    if (from + m > n)
        return -1;
    // The needle folded, and its two best filter characters (see AsciiTable): a page
    // character is tested against them without folding, c == value for a character that
    // only itself matches, (c | 0x20) == value for a letter only its two cases match.
    const AsciiTable &table = asciiTable();
    char16_t folded[64];
    bool reached[64];
    qsizetype p1 = -1, p2 = -1;
    int rank1 = 0, rank2 = 0;
    for (qsizetype k = 0; k < m; ++k) {
        const char16_t c = needle[k].unicode();
        if (c >= 0x80)
            return text.indexOf(needle, from, Qt::CaseInsensitive);
        folded[k] = table.folded[c];
        reached[k] = table.reached[folded[k]];
        const int rank = table.rank[c];
        if (rank > rank1) {
            p2 = p1;
            rank2 = rank1;
            p1 = k;
            rank1 = rank;
        } else if (rank > 0 && rank >= rank2) {
            p2 = k;
            rank2 = rank;
        }
    }
    const char16_t *d = text.utf16();
    const qsizetype last = n - m;
    const auto matchesAt = [&](qsizetype i) {
        for (qsizetype k = 0; k < m; ++k)
            if (!foldsTo(d[i + k], folded[k], reached[k]))
                return false;
        return true;
    };

    if (p1 < 0) { // only characters that letters outside ASCII fold to ("k", "s")
        for (qsizetype i = from; i <= last; ++i)
            if (matchesAt(i))
                return i;
        return -1;
    }
    if (p2 < 0)
        p2 = p1;
    const auto isLetter = [](char16_t c) { return c >= u'a' && c <= u'z'; };
    const char16_t value1 = folded[p1], mask1 = isLetter(value1) ? 0x20 : 0;
    const char16_t value2 = folded[p2], mask2 = isLetter(value2) ? 0x20 : 0;
    qsizetype i = from;
#if defined(__SSE2__)
    // Eight places at a time; the loads stay inside the text as i + 7 <= last.
    const __m128i v1 = _mm_set1_epi16(short(value1)), or1 = _mm_set1_epi16(short(mask1));
    const __m128i v2 = _mm_set1_epi16(short(value2)), or2 = _mm_set1_epi16(short(mask2));
    for (; i + 7 <= last; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + i + p1));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + i + p2));
        const __m128i hit = _mm_and_si128(_mm_cmpeq_epi16(_mm_or_si128(a, or1), v1),
                                          _mm_cmpeq_epi16(_mm_or_si128(b, or2), v2));
        // Two bits per 16-bit place; the even ones, in text order.
        for (unsigned bits = unsigned(_mm_movemask_epi8(hit)) & 0x5555u; bits; bits &= bits - 1)
            if (matchesAt(i + (__builtin_ctz(bits) >> 1)))
                return i + (__builtin_ctz(bits) >> 1);
    }
#endif
    for (; i <= last; ++i)
        if ((d[i + p1] | mask1) == value1 && (d[i + p2] | mask2) == value2 && matchesAt(i))
            return i;
    return -1;
}

bool TextAt(QStringView text, qsizetype at, QStringView needle)
{
    const qsizetype m = needle.size();
    if (at < 0 || at + m > text.size())
        return false;
    const AsciiTable &table = asciiTable();
    for (qsizetype k = 0; k < m; ++k) {
        const char16_t c = needle[k].unicode();
        if (c >= 0x80)
            return IndexOfText(text.mid(at, m), needle) == 0;
        const char16_t f = table.folded[c];
        if (!foldsTo(text[at + k].unicode(), f, table.reached[f]))
            return false;
    }
    return true;
}

bool ReplaceText(QString &text, QStringView needle, QStringView replacement)
{
    if (needle.isEmpty()) { // Qt's meaning: the replacement goes before every character
        text.replace(QString(), replacement.toString(), Qt::CaseInsensitive);
        return true;
    }
    qsizetype at = IndexOfText(text, needle, 0);
    if (at < 0)
        return false;
    QString out;
    out.reserve(text.size() + (replacement.size() > needle.size() ? 4 * (replacement.size() - needle.size()) : 0));
    qsizetype copied = 0;
    while (at >= 0) {
        out.append(QStringView(text).mid(copied, at - copied));
        out.append(replacement);
        copied = at + needle.size();
        at = IndexOfText(text, needle, copied);
    }
    out.append(QStringView(text).mid(copied));
    text = std::move(out);
    return true;
}

bool FoldedFromOutsideAscii(char16_t c)
{
    return c < 0x80 && asciiTable().reached[c];
}

char16_t FoldedAscii(char16_t c)
{
    if (c < 0x80)
        return asciiFolded(c);
    const char32_t f = QChar::toCaseFolded(char32_t(c));
    return f < 0x80 ? char16_t(f) : 0;
}

QString FitColumnText(const QString &text, int maxChars)
{
    if (text.size() <= maxChars || maxChars <= 0)
        return text;
    int cut = maxChars;
    // A token "(x)" must not be cut: drop it whole when the cut falls inside it.
    if (cut >= 1 && text.at(cut - 1) == QLatin1Char('(') && isTokenMiddle(text.at(cut))
        && cut + 1 < text.size() && text.at(cut + 1) == QLatin1Char(')'))
        cut -= 1;
    else if (cut >= 2 && text.at(cut - 2) == QLatin1Char('(') && isTokenMiddle(text.at(cut - 1))
             && text.at(cut) == QLatin1Char(')'))
        cut -= 2;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        cut -= 1;
    return text.left(cut);
}
