// phpBB 3.2 and 3.3 keep a post's text in the intermediate form of their text formatter
// (s9e TextFormatter) and render that form without parsing the BBCode again. phpBB's
// stored form, as built here:
//   plain text        <t>a &amp; b<br/>\nnext line</t>
//   bold              <r><B><s>[b]</s>bold<e>[/b]</e></B></r>           (also I and U)
//   size              <r><SIZE size="150"><s>[size=150]</s>x<e>[/size]</e></SIZE></r>
//   colour            <r><COLOR color="red"><s>[color=red]</s>x<e>[/color]</e></COLOR></r>
//   link              <r><URL url="http://x/"><s>[url=http://x/]</s>text<e>[/url]</e></URL></r>
//   link by content   <r><URL url="http://x/"><s>[url]</s>http://x/<e>[/url]</e></URL></r>
//   image             <r><IMG src="http://x/a.png"><s>[img]</s><URL url="http://x/a.png">
//                     http://x/a.png</URL><e>[/img]</e></IMG></r>  (phpBB links the address
//                     inside the image tag when magic links are on, as they are for our posts)
// Text and markup escape "&", "<" and ">"; attribute values also '"'. phpBB writes a line
// break as "<br/>" followed by the line break, a CR LF or lone CR as one line break, drops
// the control characters XML forbids, and writes characters outside the Basic Multilingual
// Plane as decimal character references (its tables hold 3-byte UTF-8). Link and image
// addresses are stored the way phpBB's URL filter stores them: only allowed schemes, and
// every character outside [!#-&*-;=?-Z_a-z~] (and a "%" not starting an escape)
// percent-encoded as UTF-8.
#include "output/phpBBStoredText.h"

#include "output/TextCleaning.h"

#include <QByteArray>
#include <QList>
#include <QStringView>

#include <vector>

namespace {

enum Tag { TagB, TagI, TagU, TagSize, TagColor, TagUrl, TagImg, TagEmail, TagQuote, TagList, TagLi, TagCode, TagCenter, TagFont, TagNone };

// Element and attribute names of the elements (the tags before TagCenter).
const char *const ElementNames[] = {"B", "I", "U", "SIZE", "COLOR", "URL", "IMG", "EMAIL", "QUOTE", "LIST", "LI", "CODE"};
const char *const AttributeNames[] = {nullptr, nullptr, nullptr, "size", "color", "url", "src", "email", nullptr, "type", nullptr, nullptr};

// Tags phpBB shows as blocks: the whitespace next to them is kept without line breaks.
bool isBlock(Tag tag)
{
    return tag == TagQuote || tag == TagList || tag == TagLi || tag == TagCode;
}

// The quotes phpBB keeps nested at most (its default "max_quote_depth").
constexpr int MaxQuoteDepth = 3;

// phpBB's default maximum font size (percent); larger sizes are brought down to it.
constexpr int MaxFontSize = 200;

Tag tagByName(QStringView name, bool allFormatting)
{
    static const struct { const char16_t *name; Tag tag; } names[] = {
        {u"b", TagB},         {u"i", TagI},     {u"u", TagU},     {u"size", TagSize},      {u"color", TagColor},
        {u"url", TagUrl},     {u"img", TagImg}, {u"center", TagCenter}, {u"font", TagFont}, {u"email", TagEmail},
        {u"quote", TagQuote}, {u"list", TagList}, {u"*", TagLi}, {u"code", TagCode},
    };
    for (const auto &n : names)
        if (name.compare(QStringView(n.name), Qt::CaseInsensitive) == 0)
            return (isBlock(n.tag) && !allFormatting) ? TagNone : n.tag;
    return TagNone;
}

// A character the stored text holds unchanged: not a token's "(", not escaped in XML,
// not a control character, a surrogate or a non-character.
inline bool writtenAsIs(char16_t c)
{
    return c >= 0x20 && c != u'(' && c != u'&' && c != u'<' && c != u'>' && !QChar::isSurrogate(c) && c < 0xFFFE;
}

// The character the row token at i stands for, or 0 when no token starts there.
char16_t tokenAt(const QChar *d, qsizetype n, qsizetype i)
{
    if (i + 2 >= n || d[i] != u'(' || d[i + 2] != u')')
        return 0;
    switch (d[i + 1].unicode()) {
    case u'[': return u',';
    case u'\\': return 0x201E;
    case u'}': return u'"';
    case u']': return 0x201D;
    case u'|': return 0x201C;
    case u'{': return u'\'';
    case u':': return u'\n';
    case u'<': return u'`';
    default: return 0;
    }
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// The first blank-separated word of a trimmed value: a converted font tag may keep further
// HTML attributes after its value ("#ff0000 size=2"), and an address further anchor
// attributes ("http://x/ target=_blank"); only the value itself counts.
QString firstWord(const QString &value)
{
    const QString t = value.trimmed();
    for (qsizetype i = 0; i < t.size(); ++i)
        if (t.at(i).isSpace())
            return t.left(i);
    return t;
}

// Characters phpBB's URL filter leaves as they are: [!#-&*-;=?-Z_a-z~].
bool urlSafe(char16_t c)
{
    return c == u'!' || (c >= u'#' && c <= u'&') || (c >= u'*' && c <= u';') || c == u'=' || (c >= u'?' && c <= u'Z')
        || c == u'_' || (c >= u'a' && c <= u'z') || c == u'~';
}

// A link or image address as phpBB stores it, or "" when it must not become one: the
// scheme must be http, https or ftp with a host, or (links only) mailto.
QString storedUrl(const QString &address, bool allowMailto)
{
    const qsizetype colon = address.indexOf(u':');
    if (colon < 1 || !isAsciiLetter(address.at(0)))
        return QString();
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = address.at(i);
        if (!isAsciiLetter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return QString();
    }
    const QString scheme = address.left(colon).toLower();
    const QStringView rest = QStringView(address).mid(colon + 1);
    if (scheme == u"http" || scheme == u"https" || scheme == u"ftp") {
        if (!rest.startsWith(u"//") || rest.size() < 3 || rest.at(2) == u'/' || rest.at(2) == u'?' || rest.at(2) == u'#')
            return QString();
    } else if (scheme == u"mailto") {
        if (!allowMailto || rest.isEmpty())
            return QString();
    } else {
        return QString();
    }
    QString out;
    out.reserve(address.size() + 8);
    const QChar *d = address.constData();
    const qsizetype n = address.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = d[i].unicode();
        if (c < 0x20 || c == 0x7F)
            return QString();
        if (c == u'%') {
            if (i + 2 < n && isHexDigit(d[i + 1]) && isHexDigit(d[i + 2]))
                out += u'%';
            else
                out += u"%25";
        } else if (urlSafe(c)) {
            out += QChar(c);
        } else {
            const qsizetype len = (QChar::isHighSurrogate(c) && i + 1 < n && d[i + 1].isLowSurrogate()) ? 2 : 1;
            const QByteArray bytes = QStringView(d + i, len).toUtf8();
            for (const char b : bytes)
                out += QLatin1Char('%') + QString::number(uchar(b), 16).toUpper().rightJustified(2, u'0');
            i += len - 1;
        }
    }
    return out;
}

// An e-mail address phpBB's e-mail filter accepts: a local part of letters, digits and
// the characters RFC 5322 allows, without leading, trailing or doubled dots, "@", and a
// domain of at least two dot-separated labels of letters, digits and inner hyphens.
QString storedEmail(const QString &value)
{
    static const QString localChars = QStringLiteral("!#$%&'*+/=?^_`{|}~.-");
    const QString v = value.trimmed();
    const qsizetype at = v.lastIndexOf(u'@');
    if (at < 1 || at > 64 || v.size() > 254)
        return QString();
    const QStringView local = QStringView(v).left(at);
    const QStringView domain = QStringView(v).mid(at + 1);
    if (local.startsWith(u'.') || local.endsWith(u'.') || local.contains(u".."))
        return QString();
    for (const QChar c : local)
        if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || localChars.contains(c))))
            return QString();
    const QList<QStringView> labels = domain.split(u'.');
    if (labels.size() < 2)
        return QString();
    for (const QStringView label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-'))
            return QString();
        for (const QChar c : label)
            if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'-')))
                return QString();
    }
    return v;
}

// The type of a [list=...]: phpBB's names for 1, a, A, i and I, any other value as it is.
QString storedListType(const QString &value)
{
    static const char *const types[][2] = {
        {"1", "decimal"}, {"a", "lower-alpha"}, {"A", "upper-alpha"}, {"i", "lower-roman"}, {"I", "upper-roman"},
    };
    for (const auto &t : types)
        if (value == QLatin1String(t[0]))
            return QLatin1String(t[1]);
    return value;
}

// A size phpBB accepts: a whole number of percent from 1; above phpBB's default maximum
// it is brought down to that maximum rather than losing the formatting.
QString storedSize(const QString &value)
{
    const QString v = firstWord(value);
    if (v.isEmpty() || v.size() > 9)
        return QString();
    for (const QChar c : v)
        if (c < u'0' || c > u'9')
            return QString();
    const int size = v.toInt();
    if (size < 1)
        return QString();
    return QString::number(qMin(size, MaxFontSize));
}

// A colour phpBB accepts: "#" and 3 to 6 hexadecimal digits, or a colour name. Six bare
// hexadecimal digits (an HTML colour written without "#") get their "#".
QString storedColor(const QString &value)
{
    const QString v = firstWord(value);
    if (v.isEmpty())
        return QString();
    bool hex = true, letters = true;
    for (qsizetype i = v.startsWith(u'#') ? 1 : 0; i < v.size(); ++i) {
        hex = hex && isHexDigit(v.at(i));
        letters = letters && isAsciiLetter(v.at(i));
    }
    if (v.startsWith(u'#'))
        return (hex && v.size() >= 4 && v.size() <= 7) ? v : QString();
    if (hex && v.size() == 6)
        return u'#' + v;
    return letters ? v : QString();
}

// An attribute value ready for the XML: '&', '<', '>' and '"' escaped, and the
// row-breaking characters (a comma in an address) written as their tokens again.
QString attributeText(const QString &value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'&': out += u"&amp;"; break;
        case u'<': out += u"&lt;"; break;
        case u'>': out += u"&gt;"; break;
        case u'"': out += u"&quot;"; break;
        default: out += c;
        }
    }
    return EncodeSpecialCharacters(out);
}

// One recognised piece of BBCode markup.
struct Item {
    enum Kind { Open, Close, Whole, Drop } kind;
    Tag tag;
    qsizetype from, to;             // the markup (for Whole: the opening tag through the closing tag)
    qsizetype openEnd, closeFrom;   // Whole: where its opening tag ends and its closing tag starts
    qsizetype innerFrom, innerTo;   // Whole: the address between its tags, blanks around it excluded
    QString attribute;              // XML-ready attribute value, if the element has one
    bool live;                      // becomes an element (or, for Drop, vanishes)
    qsizetype endsItemAt = -1;      // [*] and [/list]: where the list item before them ends
};

class StoredTextBuilder {
public:
    StoredTextBuilder(const QString &text, bool allFormatting) : d(text.constData()), n(text.size()), all(allFormatting) {}

    QString build()
    {
        scan();
        pair();
        bool rich = false;
        for (const Item &it : items)
            rich = rich || (it.live && it.kind != Item::Drop);
        out.reserve(n + n / 8 + 16);
        out += rich ? u"<r>" : u"<t>";
        qsizetype cursor = 0;
        for (const Item &it : items) {
            if (!it.live)
                continue;
            if (it.endsItemAt >= 0) {
                gap(cursor, it.endsItemAt, true);
                out += u"</LI>";
                cursor = it.endsItemAt;
                rawUntil = skipAfter(cursor, 2);
            }
            const bool block = it.kind != Item::Drop && isBlock(it.tag);
            gap(cursor, it.from, block);
            cursor = it.to;
            if (block)
                rawUntil = skipAfter(it.to, it.kind == Item::Open ? 1 : 2);
            switch (it.kind) {
            case Item::Drop:
                break;
            case Item::Open:
                openElement(it);
                out += u"<s>";
                appendText(it.from, it.to);
                out += u"</s>";
                break;
            case Item::Close:
                out += u"<e>";
                appendText(it.from, it.to);
                out += u"</e></";
                out += QLatin1String(ElementNames[it.tag]);
                out += u'>';
                break;
            case Item::Whole:
                openElement(it);
                out += u"<s>";
                appendText(it.from, it.openEnd);
                out += u"</s>";
                appendWhole(it);
                break;
            }
        }
        gap(cursor, n, false);
        out += rich ? u"</r>" : u"</t>";
        return out;
    }

private:
    const QChar *d;
    qsizetype n;
    bool all;
    std::vector<Item> items;
    QString out;
    qsizetype rawUntil = 0; // whitespace after a block tag, up to here, takes no line breaks

    bool newlineAt(qsizetype i) const { return i + 2 < n && d[i] == u'(' && d[i + 1] == u':' && d[i + 2] == u')'; }

    // The end of the blanks and up to lines line breaks after position i.
    qsizetype skipAfter(qsizetype i, int lines) const
    {
        while (lines > 0 && i < n) {
            if (newlineAt(i)) {
                --lines;
                i += 3;
            } else if (d[i] == u' ' || d[i] == u'\t') {
                ++i;
            } else {
                break;
            }
        }
        return i;
    }

    // The text from cursor to upto. Whitespace that a block tag before it claimed, and
    // (before a block tag) the blanks and one line break right before upto, are written
    // without line breaks, as phpBB's parser writes the whitespace around blocks.
    void gap(qsizetype cursor, qsizetype upto, bool blockFollows)
    {
        if (rawUntil > cursor) {
            const qsizetype end = qMin(rawUntil, upto);
            appendText(cursor, end, false);
            cursor = end;
        }
        qsizetype from = upto;
        if (blockFollows) {
            int lines = 1;
            while (lines > 0 && from > cursor) {
                if (from - 3 >= cursor && newlineAt(from - 3)) {
                    --lines;
                    from -= 3;
                } else if (d[from - 1] == u' ' || d[from - 1] == u'\t') {
                    --from;
                } else {
                    break;
                }
            }
        }
        appendText(cursor, from);
        appendText(from, upto, false);
    }

    QString decoded(qsizetype from, qsizetype to) const
    {
        QString s;
        s.reserve(to - from);
        for (qsizetype i = from; i < to;) {
            if (const char16_t c = tokenAt(d, n, i)) {
                s += QChar(c);
                i += 3;
            } else {
                s += d[i++];
            }
        }
        return s;
    }

    void openElement(const Item &it)
    {
        out += u'<';
        out += QLatin1String(ElementNames[it.tag]);
        // A list without a type has no attribute; every other named attribute is written.
        if (AttributeNames[it.tag] && !(it.tag == TagList && it.attribute.isEmpty())) {
            out += u' ';
            out += QLatin1String(AttributeNames[it.tag]);
            out += u"=\"";
            out += it.attribute;
            out += u'"';
        }
        out += u'>';
    }

    // The body and closing tag of [url]address[/url], [img]address[/img] and
    // [code]text[/code]; code keeps its text as it is, without line breaks, and a line
    // break right after its opening tag is marked as ignored.
    void appendWhole(const Item &it)
    {
        if (it.tag == TagCode) {
            qsizetype from = it.openEnd;
            if (newlineAt(from)) {
                out += u"<i>(:)</i>";
                from += 3;
            }
            appendText(from, it.closeFrom, false);
        } else if (it.tag == TagImg) {
            appendText(it.openEnd, it.innerFrom);
            out += u"<URL url=\"";
            out += it.attribute;
            out += u"\">";
            appendText(it.innerFrom, it.innerTo);
            out += u"</URL>";
            appendText(it.innerTo, it.closeFrom);
        } else {
            appendText(it.openEnd, it.closeFrom);
        }
        out += u"<e>";
        appendText(it.closeFrom, it.to);
        out += u"</e></";
        out += QLatin1String(ElementNames[it.tag]);
        out += u'>';
    }

    // Text as element content: tokens stay, a line break gets its "<br/>" (unless br is
    // false).
    void appendText(qsizetype from, qsizetype to, bool br = true)
    {
        for (qsizetype i = from; i < to;) {
            // A run of characters that are written as they are goes in one append.
            qsizetype plain = i;
            while (plain < to && writtenAsIs(d[plain].unicode()))
                ++plain;
            if (plain > i) {
                out.append(d + i, plain - i);
                i = plain;
                continue;
            }
            if (const char16_t t = tokenAt(d, n, i)) {
                if (t == u'\n' && br)
                    out += u"<br/>";
                out.append(d + i, 3);
                i += 3;
                continue;
            }
            const char16_t c = d[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < to && d[i + 1].isLowSurrogate()) {
                out += u"&#";
                out += QString::number(QChar::surrogateToUcs4(c, d[i + 1].unicode()));
                out += u';';
                i += 2;
                continue;
            }
            switch (c) {
            case u'&': out += u"&amp;"; break;
            case u'<': out += u"&lt;"; break;
            case u'>': out += u"&gt;"; break;
            case u'\r': // a lone CR (CR LF is already a token)
            case u'\n': out += br ? u"<br/>(:)" : u"(:)"; break; // a raw LF would break the row
            case u'\t': out += QChar(c); break;
            case 0xFFFE: case 0xFFFF: out += QChar(0xFFFD); break;
            default:
                if (c < 0x20)
                    break; // forbidden in XML
                if (QChar::isSurrogate(c))
                    out += QChar(0xFFFD); // half of a pair
                else
                    out += QChar(c);
            }
            ++i;
        }
    }

    void scan()
    {
        for (qsizetype i = 0; i < n;) {
            if (tokenAt(d, n, i)) {
                i += 3;
                continue;
            }
            if (d[i] == u'[') {
                Item it{};
                if (candidate(i, it)) {
                    items.push_back(std::move(it));
                    i = items.back().to;
                    continue;
                }
            }
            ++i;
        }
    }

    // Reads the markup starting with the "[" at i. False when it is no BBCode that can
    // become an element or be dropped: it then stays text.
    bool candidate(qsizetype i, Item &it)
    {
        qsizetype j = i + 1;
        const bool closing = j < n && d[j] == u'/';
        if (closing)
            ++j;
        const qsizetype nameFrom = j;
        if (j < n && d[j] == u'*')
            ++j;
        else
            while (j < n && isAsciiLetter(d[j]))
                ++j;
        const Tag tag = tagByName(QStringView(d + nameFrom, j - nameFrom), all);
        if (tag == TagNone)
            return false;
        it.tag = tag;
        it.from = i;
        it.live = false;
        if (closing) {
            if (j >= n || d[j] != u']')
                return false;
            it.kind = (tag == TagCenter || tag == TagFont) ? Item::Drop : Item::Close;
            it.live = it.kind == Item::Drop;
            it.to = j + 1;
            return true;
        }
        bool hasValue = false;
        QString value;
        if (j < n && d[j] == u'=') {
            const qsizetype valueFrom = ++j;
            while (j < n && d[j] != u']') {
                if (const char16_t t = tokenAt(d, n, j)) {
                    if (t == u'\n')
                        return false; // no tag spans lines
                    j += 3;
                } else if (d[j] == u'[') {
                    return false;
                } else {
                    ++j;
                }
            }
            if (j >= n)
                return false;
            value = decoded(valueFrom, j);
            hasValue = true;
        } else if (j >= n || d[j] != u']') {
            return false;
        }
        it.to = j + 1;
        it.kind = Item::Open;
        switch (tag) {
        case TagB: case TagI: case TagU:
            return !hasValue;
        case TagCenter: case TagFont:
            it.kind = Item::Drop;
            it.live = true;
            return hasValue == (tag == TagFont);
        case TagSize:
            it.attribute = storedSize(value);
            return !it.attribute.isEmpty();
        case TagColor:
            it.attribute = attributeText(storedColor(value));
            return !it.attribute.isEmpty();
        case TagUrl:
            if (hasValue) {
                it.attribute = attributeText(storedUrl(firstWord(value), true));
                return !it.attribute.isEmpty();
            }
            return whole(it);
        case TagImg:
            return !hasValue && whole(it);
        case TagEmail:
            it.attribute = hasValue ? attributeText(storedEmail(value)) : QString();
            return !it.attribute.isEmpty();
        case TagQuote: case TagLi:
            return !hasValue;
        case TagList:
            if (hasValue) {
                it.attribute = attributeText(storedListType(value));
                return !it.attribute.isEmpty();
            }
            return true;
        case TagCode:
            return !hasValue && code(it);
        case TagNone:
            break;
        }
        return false;
    }

    // [url]address[/url] and [img]address[/img]: the address is plain text on one line,
    // up to the next "[", which must start the closing tag.
    bool whole(Item &it)
    {
        const qsizetype openEnd = it.to;
        qsizetype k = openEnd;
        while (k < n && d[k] != u'[') {
            if (const char16_t t = tokenAt(d, n, k)) {
                if (t == u'\n')
                    return false;
                k += 3;
            } else {
                ++k;
            }
        }
        const QStringView closeTag = it.tag == TagImg ? QStringView(u"[/img]") : QStringView(u"[/url]");
        if (!QStringView(d + k, n - k).startsWith(closeTag, Qt::CaseInsensitive))
            return false;
        qsizetype a = openEnd, b = k;
        while (a < b && d[a].isSpace())
            ++a;
        while (b > a && d[b - 1].isSpace())
            --b;
        const QString address = decoded(a, b);
        for (const QChar c : address)
            if (c.isSpace())
                return false;
        it.attribute = attributeText(storedUrl(address, it.tag == TagUrl));
        if (it.attribute.isEmpty())
            return false;
        it.kind = Item::Whole;
        it.openEnd = openEnd;
        it.innerFrom = a;
        it.innerTo = b;
        it.closeFrom = k;
        it.to = k + closeTag.size();
        return true;
    }

    // [code]...[/code]: everything up to the closing tag is text.
    bool code(Item &it)
    {
        static const QString closeTag = QStringLiteral("[/code]");
        const qsizetype k = QStringView(d, n).indexOf(closeTag, it.to, Qt::CaseInsensitive);
        if (k < 0)
            return false;
        it.kind = Item::Whole;
        it.openEnd = it.to;
        it.innerFrom = it.innerTo = it.to;
        it.closeFrom = k;
        it.to = k + closeTag.size();
        return true;
    }

    // Where a list item closed by the tag at idx ends: before the blanks and line breaks
    // that precede that tag, as phpBB ends a block it closes implicitly.
    qsizetype implicitItemEnd(size_t idx) const
    {
        qsizetype pos = items[idx].from;
        const qsizetype floor = idx > 0 ? items[idx - 1].to : 0;
        while (pos > floor) {
            if (pos - 3 >= floor && newlineAt(pos - 3))
                pos -= 3;
            else if (d[pos - 1] == u' ' || d[pos - 1] == u'\t')
                --pos;
            else
                break;
        }
        return pos;
    }

    // Matches opening and closing tags. A closing tag closes the nearest open tag of its
    // kind; tags opened inside it and still open stay text, and so do closing tags without
    // a partner and tags left open at the end. A link inside a link stays text.
    void pair()
    {
        std::vector<size_t> open;
        int links = 0;
        for (size_t idx = 0; idx < items.size(); ++idx) {
            Item &it = items[idx];
            switch (it.kind) {
            case Item::Drop:
                break;
            case Item::Whole:
                it.live = !(it.tag == TagUrl && links > 0);
                break;
            case Item::Open:
                if (it.tag == TagLi) {
                    // An item belongs in a list; the item before it ends here.
                    if (open.empty() || (items[open.back()].tag != TagList && items[open.back()].tag != TagLi))
                        break;
                    if (items[open.back()].tag == TagLi) {
                        items[open.back()].live = true;
                        it.endsItemAt = implicitItemEnd(idx);
                        open.pop_back();
                    }
                }
                if (it.tag == TagQuote) {
                    int depth = 0;
                    for (const size_t o : open)
                        depth += items[o].tag == TagQuote;
                    if (depth >= MaxQuoteDepth)
                        break;
                }
                if (it.tag == TagUrl) {
                    if (links > 0)
                        break;
                    ++links;
                }
                open.push_back(idx);
                break;
            case Item::Close: {
                // The end of a list ends its last item.
                if (it.tag == TagList && !open.empty() && items[open.back()].tag == TagLi) {
                    size_t list = open.size() - 1;
                    if (list > 0 && items[open[list - 1]].tag == TagList) {
                        items[open.back()].live = true;
                        it.endsItemAt = implicitItemEnd(idx);
                        open.pop_back();
                    }
                }
                size_t k = open.size();
                while (k > 0 && items[open[k - 1]].tag != it.tag)
                    --k;
                if (k == 0)
                    break;
                while (open.size() >= k) {
                    if (items[open.back()].tag == TagUrl)
                        --links;
                    if (open.size() == k)
                        items[open.back()].live = it.live = true;
                    open.pop_back();
                }
                break;
            }
            }
        }
    }
};

} // namespace

QString phpBBStoredText(const QString &bbcodeWithTokens, bool allFormatting)
{
    return StoredTextBuilder(bbcodeWithTokens, allFormatting).build();
}

QString phpBBBbcodeUid()
{
    return QStringLiteral("qbconv01");
}

// ---- Forum descriptions ---------------------------------------------------------------
// The bitfield phpBB stores beside a description (and a post): the BBCode ids set as bits,
// most significant bit first, in base64. A text's own "<" is always escaped in the stored
// form, so every "<NAME" found is an element.

QString phpBBStoredBitfield(const QString &stored)
{
    static const struct {
        const char16_t *open;
        int id;
    } elements[] = {{u"<QUOTE>", 0}, {u"<B>", 1},     {u"<I>", 2},     {u"<IMG ", 4},   {u"<SIZE ", 5},
                       {u"<COLOR ", 6}, {u"<U>", 7}, {u"<CODE>", 8}, {u"<LIST", 9}, {u"<EMAIL ", 10}};
    QByteArray bits;
    const auto set = [&bits](int id) {
        if (bits.size() <= id / 8)
            bits.resize(id / 8 + 1, '\0');
        bits[id / 8] = char(quint8(bits.at(id / 8)) | (0x80 >> (id % 8)));
    };
    if (!stored.startsWith(QLatin1String("<r>")))
        return QString();
    for (const auto &e : elements)
        if (stored.contains(QStringView(e.open)))
            set(e.id);
    // A link written as BBCode keeps its start tag; the one inside an image has none.
    for (qsizetype at = stored.indexOf(u"<URL "); at >= 0; at = stored.indexOf(u"<URL ", at + 1)) {
        const qsizetype end = stored.indexOf(u'>', at);
        if (end > 0 && QStringView(stored).mid(end + 1).startsWith(u"<s>")) {
            set(3);
            break;
        }
    }
    return QString::fromLatin1(bits.toBase64());
}

// ---- Inline attachments and link addresses ---------------------------------------------

QString phpBBStoredInlineAttachments(const QString &stored, const QVector<phpBBInlineAttachment> &placed)
{
    QString out = stored;
    qsizetype from = 0;
    bool replaced = false;
    for (const phpBBInlineAttachment &a : placed) {
        // The markup as the builder leaves plain text: "&", "<" and ">" escaped, tokens kept.
        QString text;
        for (const QChar c : a.name) {
            switch (c.unicode()) {
            case u'&': text += u"&amp;"; break;
            case u'<': text += u"&lt;"; break;
            case u'>': text += u"&gt;"; break;
            default: text += c;
            }
        }
        const QString open = QStringLiteral("[attachment=") + QString::number(a.index) + QLatin1Char(']');
        const QString close = QStringLiteral("[/attachment]");
        const QString markup = open + text + close;
        const qsizetype at = out.indexOf(markup, from);
        if (at < 0)
            continue;
        const QString element = QStringLiteral("<ATTACHMENT filename=\"") + attributeText(DecodeSpecialCharacters(a.name, QStringLiteral("\n")))
            + QStringLiteral("\" index=\"") + QString::number(a.index) + QStringLiteral("\"><s>") + open + QStringLiteral("</s>")
            + text + QStringLiteral("<e>") + close + QStringLiteral("</e></ATTACHMENT>");
        out.replace(at, markup.size(), element);
        from = at + element.size();
        replaced = true;
    }
    if (replaced && out.startsWith(QLatin1String("<t>")) && out.endsWith(QLatin1String("</t>"))) {
        out.replace(0, 3, QStringLiteral("<r>"));
        out.replace(out.size() - 4, 4, QStringLiteral("</r>"));
    }
    return out;
}

phpBBStoredLinkAddress phpBBStoredLinkForms(const QString &address)
{
    // The builder itself says where the address goes, so the forms always match the posts.
    const QString stored = DecodeSpecialCharacters(
        phpBBStoredText(EncodeSpecialCharacters(QStringLiteral("[url=") + address + QStringLiteral("]x[/url]"))),
        QStringLiteral("\n"));
    phpBBStoredLinkAddress forms;
    const QString attrOpen = QStringLiteral("<r><URL url=\"");
    if (stored.startsWith(attrOpen)) {
        const qsizetype end = stored.indexOf(QStringLiteral("\"><s>"), attrOpen.size());
        if (end > 0)
            forms.attribute = stored.mid(attrOpen.size(), end - attrOpen.size());
    }
    const QString markupOpen = QStringLiteral("[url=");
    const qsizetype start = stored.indexOf(markupOpen);
    const qsizetype end = stored.lastIndexOf(forms.attribute.isEmpty() ? QStringLiteral("]x[/url]") : QStringLiteral("]</s>x"));
    if (start >= 0 && end > start)
        forms.markup = stored.mid(start + markupOpen.size(), end - start - markupOpen.size());
    return forms;
}
