// HTML formatting to BBCode: bold, centring and the size, face and colour font tags. The
// work is done by position and by literal replacement, without an HTML parser; whatever
// is not converted here is removed later with the other tags.
#include "messages/modFormatting.h"
#include "output/TextCleaning.h"

#include "run/ConversionRun.h"

#include <QStringView>

#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const QString FontOpen = QStringLiteral("<font ");
const QString FontClose = QStringLiteral("</font>");
const QString SizeOpen = QStringLiteral("<font size=");
const QString FaceOpen = QStringLiteral("<font face=");
const QString ColorOpen = QStringLiteral("<font color=");

// Every position of marker in text, in text order (letter case ignored).
QVector<int> positionsOf(const QString &text, const QString &marker, qsizetype from)
{
    QVector<int> found;
    for (qsizetype i = IndexOfText(text, marker, from); i >= 0; i = IndexOfText(text, marker, i + 1))
        found.append(int(i));
    return found;
}

// A size written "+n" or "-n" counts from HTML's base size 3 and is kept within 1 to 7:
// "<font size=+1>" is size 4, "<font size=-1>" size 2. Other tags are returned as they are.
QString absoluteFontSize(QString tag)
{
    qsizetype at = SizeOpen.size();
    if (!tag.startsWith(SizeOpen, Qt::CaseInsensitive))
        return tag;
    while (at < tag.size() && tag.at(at) == u' ')
        ++at;
    if (at >= tag.size() || (tag.at(at) != u'+' && tag.at(at) != u'-'))
        return tag;
    qsizetype to = at + 1;
    while (to < tag.size() && tag.at(to) >= u'0' && tag.at(to) <= u'9')
        ++to;
    if (to == at + 1 || to - at > 3)
        return tag;
    const int step = QStringView(tag).mid(at + 1, to - at - 1).toInt();
    const int size = qBound(1, tag.at(at) == u'+' ? 3 + step : 3 - step, 7);
    return tag.left(SizeOpen.size()) + QString::number(size) + tag.mid(to);
}

// One "<font ...>" tag made ready for BBCode: its double quotes go, a relative size
// ("-1", "+1") becomes absolute, "size= " loses its blank, and an HTML size 1 to 7
// becomes the percentage phpBB's size BBCode expects. Only font tags are touched, so
// quotes and "=-" in the prose of a post stay as they are.
QString cleanFontTag(QString tag)
{
    static const int percent[] = {50, 85, 100, 125, 150, 175, 200};
    tag.remove(QLatin1Char('"'));
    tag = absoluteFontSize(tag);
    tag.replace(QLatin1String("=-"), QLatin1String("="));
    tag.replace(QLatin1String("=+"), QLatin1String("="));
    ReplaceText(tag, u"size= ", u"size=");
    if (tag.startsWith(SizeOpen, Qt::CaseInsensitive)) {
        const int from = int(SizeOpen.size());
        int to = from;
        while (to < tag.size() && tag.at(to) >= u'0' && tag.at(to) <= u'9')
            ++to;
        const int size = to > from && to - from < 4 ? QStringView(tag).mid(from, to - from).toInt() : 0;
        if (size >= 1 && size <= 7)
            tag.replace(from, to - from, QString::number(percent[size - 1]));
    }
    return tag;
}

// Every "<font " from index from on through its closing ">" passes cleanFontTag; a
// "<font " without a ">" after it is left alone.
QString cleanFontTags(const QString &text, qsizetype from)
{
    qsizetype open = IndexOfText(text, FontOpen, from);
    if (open < 0)
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    while (open >= 0) {
        const qsizetype close = text.indexOf(QLatin1Char('>'), open + FontOpen.size());
        if (close < 0)
            break;
        out.append(QStringView(text).mid(copied, open - copied));
        out.append(cleanFontTag(text.mid(open, close + 1 - open)));
        copied = close + 1;
        open = IndexOfText(text, FontOpen, copied);
    }
    out.append(QStringView(text).mid(copied));
    return out;
}


// The HTML formatting beyond bold and font tags, as BBCode: italics, underlining, quotes,
// lists, code and headings, with line breaks where blocks end so that words never run
// together. Tags are kept on a stack as a browser keeps its open elements: a closing tag
// closes the tags opened inside it (writing their closing BBCode), inline tags closed that
// way are opened again lazily before the next text (as phpBB's parser reopens them), a
// closing tag without a partner is dropped, and everything still open at the end is
// closed. The BBCode written is therefore always balanced. Font tags take part in the
// nesting but stay HTML for the font conversion that follows.
class FormattingConverter {
public:
    explicit FormattingConverter(const QString &text) : t(text) {}

    QString run()
    {
        out.reserve(t.size() + t.size() / 8);
        qsizetype i = 0;
        while (i < t.size()) {
            const qsizetype lt = t.indexOf(u'<', i);
            if (lt < 0) {
                text(i, t.size());
                break;
            }
            qsizetype gt = -1;
            QString name;
            bool closing = false;
            if (!readTag(lt, gt, name, closing)) {
                text(i, lt + 1);
                i = lt + 1;
                continue;
            }
            text(i, lt);
            i = gt + 1;
            tag(QStringView(t).mid(lt, gt + 1 - lt), name, closing, i);
        }
        if (codeDepth > 0)
            out += u"[/code]";
        while (!stack.empty())
            closeTop();
        return out;
    }

private:
    enum Kind { Inline, Quote, List, Item, Heading };
    struct Entry {
        Kind kind;
        QString name;         // the HTML element ("b" for <b> and <strong>, ...)
        QString opener, closer;
        bool written;         // the opener is in the output
        std::vector<Entry> suspended; // blocks: inline tags open around them, reopened after
    };

    const QString &t;
    QString out;
    std::vector<Entry> stack;
    int codeDepth = 0;

    // "<" name [attributes] ">" with an ASCII element name; false for anything else ("a < b").
    bool readTag(qsizetype lt, qsizetype &gt, QString &name, bool &closing) const
    {
        qsizetype j = lt + 1;
        closing = j < t.size() && t.at(j) == u'/';
        if (closing)
            ++j;
        const qsizetype from = j;
        while (j < t.size() && ((t.at(j) >= u'a' && t.at(j) <= u'z') || (t.at(j) >= u'A' && t.at(j) <= u'Z')
                                || (j > from && t.at(j) >= u'0' && t.at(j) <= u'9')))
            ++j;
        if (j == from || j >= t.size() || !(t.at(j) == u'>' || t.at(j) == u'/' || t.at(j).isSpace()))
            return false;
        gt = t.indexOf(u'>', j);
        if (gt < 0)
            return false;
        name = t.mid(from, j - from).toLower();
        return true;
    }

    void text(qsizetype from, qsizetype to)
    {
        if (from >= to)
            return;
        const QStringView piece = QStringView(t).mid(from, to - from);
        if (codeDepth == 0 && !piece.trimmed().isEmpty())
            reopen();
        out += piece;
    }

    // Inline tags closed by a block or by a mis-nested closing tag are written again.
    void reopen()
    {
        for (Entry &e : stack)
            if (!e.written) {
                out += e.opener;
                e.written = true;
            }
    }

    // A line break; a line break in the page's source right after the tag belongs to it.
    void lineBreak(qsizetype &next)
    {
        out += u'\n';
        if (next < t.size() && t.at(next) == u'\r')
            ++next;
        if (next < t.size() && t.at(next) == u'\n')
            ++next;
    }

    bool inList() const
    {
        for (auto e = stack.rbegin(); e != stack.rend(); ++e)
            if (e->kind != Inline)
                return e->kind == List || e->kind == Item;
        return false;
    }

    int quoteDepth() const
    {
        int depth = 0;
        for (const Entry &e : stack)
            depth += e.kind == Quote && !e.opener.isEmpty();
        return depth;
    }

    void closeTop()
    {
        Entry e = std::move(stack.back());
        stack.pop_back();
        if (e.written)
            out += e.closer;
        for (Entry &s : e.suspended) {
            s.written = false;
            stack.push_back(std::move(s));
        }
    }

    // The inline tags open since the innermost block are closed and kept for reopening.
    std::vector<Entry> suspendInline()
    {
        std::vector<Entry> kept;
        while (!stack.empty() && stack.back().kind == Inline) {
            if (stack.back().written)
                out += stack.back().closer;
            kept.insert(kept.begin(), std::move(stack.back()));
            stack.pop_back();
        }
        return kept;
    }

    void openInline(const QString &name, const QString &opener, const QString &closer)
    {
        stack.push_back(Entry{Inline, name, opener, closer, false, {}});
    }

    void openBlock(Kind kind, const QString &name, const QString &opener, const QString &closer)
    {
        std::vector<Entry> kept = suspendInline();
        out += opener;
        stack.push_back(Entry{kind, name, opener, closer, true, std::move(kept)});
    }

    // Closes the innermost open element called name (an inline tag only up to the
    // innermost block); false when there is none.
    bool close(const QString &name, bool isInline)
    {
        size_t k = stack.size();
        while (k > 0 && stack[k - 1].name != name) {
            if (isInline && stack[k - 1].kind != Inline)
                return false;
            --k;
        }
        if (k == 0)
            return false;
        std::vector<Entry> reopened;
        while (stack.size() > k) {
            if (stack.back().kind == Inline) {
                if (stack.back().written)
                    out += stack.back().closer;
                reopened.insert(reopened.begin(), std::move(stack.back()));
                stack.pop_back();
            } else {
                closeTop();
                reopened.clear(); // inline tags inside a block end with it
            }
        }
        closeTop();
        for (Entry &e : reopened) {
            e.written = false;
            stack.push_back(std::move(e));
        }
        return true;
    }

    void tag(QStringView whole, const QString &name, bool closing, qsizetype &next)
    {
        const bool code = name == u"pre" || name == u"code" || name == u"tt";
        if (codeDepth > 0) {
            // Inside code only the text counts, with its line breaks.
            if (code && !closing)
                ++codeDepth;
            else if (code && --codeDepth == 0)
                out += u"[/code]";
            else if (name == u"br")
                out += u'\n';
            return;
        }
        if (code) {
            if (!closing) {
                std::vector<Entry> kept = suspendInline();
                out += u"[code]";
                codeDepth = 1;
                // The inline tags go on after the code.
                for (Entry &e : kept) {
                    e.written = false;
                    stack.push_back(std::move(e));
                }
            }
            return;
        }
        static const struct { const char16_t *html, *name, *open, *close; } inlineTags[] = {
            {u"b", u"b", u"[b]", u"[/b]"},      {u"strong", u"b", u"[b]", u"[/b]"}, {u"i", u"i", u"[i]", u"[/i]"},
            {u"em", u"i", u"[i]", u"[/i]"},     {u"cite", u"i", u"[i]", u"[/i]"},   {u"u", u"u", u"[u]", u"[/u]"},
            {u"ins", u"u", u"[u]", u"[/u]"},
        };
        for (const auto &it : inlineTags) {
            if (name != QStringView(it.html))
                continue;
            const QString n = QString::fromUtf16(it.name);
            if (closing)
                close(n, true);
            else
                openInline(n, QString::fromUtf16(it.open), QString::fromUtf16(it.close));
            return;
        }
        if (name == u"font") {
            if (closing)
                close(name, true);
            else if (whole.size() > 6 && whole.at(5).isSpace())
                openInline(name, whole.toString(), QStringLiteral("</font>"));
            else
                out += whole; // "<font>" without attributes: left for the tag removal
            return;
        }
        if (name == u"blockquote") {
            if (closing)
                close(name, false);
            else
                openBlock(Quote, name, quoteDepth() < 3 ? QStringLiteral("[quote]") : QString(),
                          quoteDepth() < 3 ? QStringLiteral("[/quote]") : QString());
            return;
        }
        if (name == u"ul" || name == u"ol") {
            if (closing)
                close(name, false);
            else
                openBlock(List, name, name == u"ol" ? QStringLiteral("[list=1]") : QStringLiteral("[list]"), QStringLiteral("[/list]"));
            return;
        }
        if (name == u"li") {
            if (!inList()) {
                if (closing)
                    lineBreak(next);
                return;
            }
            if (closing) {
                close(name, false);
                return;
            }
            if (stack.back().kind != List) // the item before ends here
                close(name, false);
            openBlock(Item, name, QStringLiteral("[*]"), QString());
            return;
        }
        if (name.size() == 2 && name.at(0) == u'h' && name.at(1) >= u'1' && name.at(1) <= u'6') {
            if (closing) {
                if (close(name, false))
                    lineBreak(next);
                return;
            }
            if (!out.isEmpty() && !out.endsWith(u'\n'))
                out += u'\n';
            static const char *const sizes[] = {"200", "150", "125"};
            const int level = name.at(1).unicode() - u'1';
            const QString size = level < 3 ? QLatin1String(sizes[level]) : QString();
            openBlock(Heading, name, size.isEmpty() ? QStringLiteral("[b]") : QStringLiteral("[b][size=") + size + QLatin1Char(']'),
                      size.isEmpty() ? QStringLiteral("[/b]") : QStringLiteral("[/size][/b]"));
            return;
        }
        if (name == u"br" || name == u"hr" || (closing && (name == u"p" || name == u"div" || name == u"tr"))) {
            lineBreak(next);
            return;
        }
        // Table frames give no break of their own (their rows and cells do).
        if (name == u"table" || name == u"tbody" || name == u"thead" || name == u"tfoot")
            return;
        if (!closing && (name == u"p" || name == u"div" || name == u"tr")) {
            if (!out.isEmpty() && !out.endsWith(u'\n')) // a new block starts on a new line
                out += u'\n';
            return;
        }
        if (closing && (name == u"td" || name == u"th")) {
            out += u' ';
            return;
        }
        out += whole; // converted later or removed with the other tags
    }
};
} // namespace

bool PairFontTags(const QString &text, QVector<FontTagPair> &pairs, qsizetype from)
{
    pairs.clear();
    const QVector<int> opens = positionsOf(text, FontOpen, from);
    const QVector<int> closes = positionsOf(text, FontClose, from);
    if (opens.isEmpty() || closes.isEmpty())
        return false;
    pairs.resize(opens.size());
    for (int k = 0; k < opens.size(); ++k)
        pairs[k].open = opens.at(k);

    // Walking the closing tags in text order, the partner of each is the last unpaired
    // opening tag before it: the top of a stack of the opening tags passed so far. A
    // closing tag with an empty stack has no partner and is left out.
    QVector<int> unpaired;
    int next = 0;
    for (const int close : closes) {
        while (next < opens.size() && opens.at(next) < close)
            unpaired.append(next++);
        if (unpaired.isEmpty())
            continue;
        pairs[unpaired.takeLast()].close = close;
    }
    return true;
}

namespace {

QString closeTagBracket(const QString &text, const QString &opener, qsizetype from = 0)
{
    QString out = text;
    for (;;) {
        const qsizetype at = IndexOfText(out, opener, from);
        if (at < 0)
            break;
        const qsizetype bracket = out.indexOf(QLatin1Char('>'), at + opener.size());
        if (bracket < 0)
            break;
        out[bracket] = QLatin1Char(']');
        from = bracket;
    }
    return out;
}

} // namespace

QString CloseTagBracket(ConversionRun &run, const QString &text, const QString &opener)
{
    const QString out = closeTagBracket(text, opener);
    run.CvDoEvents();
    return out;
}

namespace {

// The literal replacements, in this order ("size= " lost its blank with the font tags'
// clean-up, which alone may hold it). A "</font>" still here closes no converted tag (a
// font tag of another kind, or none at all): it goes, as its opening tag goes with the
// other tags, instead of leaving a stray "[/font]".
constexpr int LiteralCount = 13;
const char16_t *const Literals[LiteralCount][2] = {
    {u"<b>", u"[b]"},
    {u"<center>", u"[center]"},
    {u"<font face=", u"[font="},
    {u"<font size=", u"[size="},
    {u"<font color=", u"[color="},
    {u"color=ff0000]", u"color=red]"},
    {u"color=000000]", u"color=black]"},
    {u"</b>", u"[/b]"},
    {u"</font>", u""},
    {u"</color>", u"[/color]"},
    {u"</size>", u"[/size]"},
    {u"</center>", u"[/center]"},
    {u"[/colo]", u"[/color]"},
};

// Whether writing `by` in place of some text can make a copy of needle that was not
// there before: the copy would have to overlap what was written (hold it, lie in it, or
// share a start or an end with it), or, when nothing is written, join the two sides.
bool canForm(QStringView needle, QStringView by)
{
    if (by.isEmpty() || needle.contains(by, Qt::CaseInsensitive) || by.contains(needle, Qt::CaseInsensitive))
        return true;
    for (qsizetype a = 1; a < qMin(needle.size(), by.size()); ++a)
        if (needle.right(a).compare(by.left(a), Qt::CaseInsensitive) == 0
            || needle.left(a).compare(by.right(a), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

struct LiteralPlan {
    bool forms[LiteralCount][LiteralCount] = {}; // [j][k]: pass j's replacement can form needle k
    LiteralPlan()
    {
        for (int j = 0; j < LiteralCount; ++j)
            for (int k = j + 1; k < LiteralCount; ++k)
                forms[j][k] = canForm(QStringView(Literals[k][0]), QStringView(Literals[j][1]));
    }
};

} // namespace

void ReplaceFormattingLiterals(QString &text)
{
    static const LiteralPlan plan;
    // One sweep finds the needles whose first three characters occur (letter case ignored,
    // as the search ignores it); only those, and those an earlier pass may have formed,
    // are searched for. The result is that of all the passes in order.
    quint32 mayOccur = 0;
    const char16_t *d = reinterpret_cast<const char16_t *>(text.utf16());
    const auto look = [&](qsizetype i) {
        const char16_t a = FoldedAscii(d[i]);
        if (a != u'<' && a != u'c' && a != u'[')
            return;
        const char16_t b = FoldedAscii(d[i + 1]), c = FoldedAscii(d[i + 2]);
        for (int k = 0; k < LiteralCount; ++k)
            if (Literals[k][0][0] == a && Literals[k][0][1] == b && Literals[k][0][2] == c)
                mayOccur |= 1u << k;
    };
    const qsizetype end = text.size() - 2; // the places a needle's first three characters fit
    qsizetype i = 0;
#if defined(__SSE2__)
    // Eight places at a time pick out "<", "[", "c" and "C", when no other character
    // folds to one of them.
    static const bool firstsOnlyAscii =
        !FoldedFromOutsideAscii(u'<') && !FoldedFromOutsideAscii(u'c') && !FoldedFromOutsideAscii(u'[');
    if (firstsOnlyAscii) {
        const __m128i lt = _mm_set1_epi16('<'), bracket = _mm_set1_epi16('['), c = _mm_set1_epi16('c'),
                      lower = _mm_set1_epi16(0x20);
        for (; i + 8 <= end; i += 8) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + i));
            const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(x, lt), _mm_cmpeq_epi16(x, bracket)),
                                             _mm_cmpeq_epi16(_mm_or_si128(x, lower), c));
            for (unsigned bits = unsigned(_mm_movemask_epi8(hit)) & 0x5555u; bits; bits &= bits - 1)
                look(i + (__builtin_ctz(bits) >> 1));
        }
    }
#endif
    for (; i < end; ++i)
        look(i);
    bool replaced[LiteralCount] = {};
    for (int k = 0; k < LiteralCount; ++k) {
        bool search = mayOccur & (1u << k);
        for (int j = 0; j < k && !search; ++j)
            search = replaced[j] && plan.forms[j][k];
        if (search)
            replaced[k] = ReplaceText(text, Literals[k][0], Literals[k][1]);
    }
}

QString FormattedPostText(const QString &text, bool convertAllFormatting)
{
    QString out = convertAllFormatting ? FormattingConverter(text).run() : text;

    // Nothing before the first "<font " changes in steps 1 to 4, so their searches start
    // there; a text without font tags skips them.
    const qsizetype firstFont = IndexOfText(out, FontOpen);
    if (firstFont >= 0) {
        // 1. Closing font tags become the BBCode closing tag of their opening tag's kind,
        // in place: "[/size]", "[/font]" and "[/colo]" have the length of "</font>", so
        // the stored positions stay valid ("[/colo]" is widened at the end). An opening
        // tag that nothing closes has no closing tag to rewrite: it is skipped, and the
        // unbalanced post is converted like any other.
        QVector<FontTagPair> pairs;
        if (PairFontTags(out, pairs, firstFont)) {
            for (const FontTagPair &pair : std::as_const(pairs)) {
                if (pair.close < 0)
                    continue;
                const QStringView tag = QStringView(out).mid(pair.open);
                QString closing;
                if (tag.startsWith(SizeOpen, Qt::CaseInsensitive))
                    closing = QStringLiteral("[/size]");
                else if (tag.startsWith(FaceOpen, Qt::CaseInsensitive))
                    closing = QStringLiteral("[/font]");
                else if (tag.startsWith(ColorOpen, Qt::CaseInsensitive))
                    closing = QStringLiteral("[/colo]");
                if (!closing.isEmpty())
                    out.replace(pair.close, FontClose.size(), closing);
            }
        }

        // 2-3. Quotes, relative sizes and size values inside the font tags.
        out = cleanFontTags(out, firstFont);

        // 4. The opening tags' ">" becomes "]".
        out = closeTagBracket(out, SizeOpen, firstFont);
        out = closeTagBracket(out, FaceOpen, firstFont);
        out = closeTagBracket(out, ColorOpen, firstFont);
    }

    // 5. The literal replacements (see ReplaceFormattingLiterals).
    ReplaceFormattingLiterals(out);
    return out;
}

QString DiscusProcessFormatting(ConversionRun &run, const QString &text)
{
    QString out;
    const bool ok = run.Trap(QStringLiteral("DiscusProcessFormatting()"),
                             [&] { out = FormattedPostText(text, run.settings.ConvertAllFormatting); });
    run.CvDoEvents();
    return ok ? out : QString();
}
