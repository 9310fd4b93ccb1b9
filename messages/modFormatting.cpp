// HTML formatting to BBCode: bold, centring and the size, face and colour font tags. The
// work is done by position and by literal replacement, without an HTML parser; whatever
// is not converted here is removed later with the other tags.
#include "messages/modFormatting.h"
#include "output/TextCleaning.h"

#include "convert/ConversionRun.h"

#include <QStringView>

namespace {

const QString FontOpen = QStringLiteral("<font ");
const QString FontClose = QStringLiteral("</font>");
const QString SizeOpen = QStringLiteral("<font size=");
const QString FaceOpen = QStringLiteral("<font face=");
const QString ColorOpen = QStringLiteral("<font color=");

// Every position of marker in text, in text order (letter case ignored).
QVector<int> positionsOf(const QString &text, const QString &marker)
{
    QVector<int> found;
    for (qsizetype i = IndexOfText(text, marker, 0); i >= 0; i = IndexOfText(text, marker, i + 1))
        found.append(int(i));
    return found;
}

// One "<font ...>" tag made ready for BBCode: its double quotes go, a relative size
// ("-1", "+1") becomes absolute, "size= " loses its blank, and an HTML size 1 to 7
// becomes the percentage phpBB's size BBCode expects. Only font tags are touched, so
// quotes and "=-" in the prose of a post stay as they are.
QString cleanFontTag(QString tag)
{
    static const int percent[] = {50, 85, 100, 125, 150, 175, 200};
    tag.remove(QLatin1Char('"'));
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

// Every "<font " through its closing ">" passes cleanFontTag; a "<font " without a ">"
// after it is left alone.
QString cleanFontTags(const QString &text)
{
    qsizetype open = IndexOfText(text, FontOpen, 0);
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

} // namespace

bool PairFontTags(const QString &text, QVector<FontTagPair> &pairs)
{
    pairs.clear();
    const QVector<int> opens = positionsOf(text, FontOpen);
    const QVector<int> closes = positionsOf(text, FontClose);
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

QString CloseTagBracket(ConversionRun &run, const QString &text, const QString &opener)
{
    QString out = text;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = IndexOfText(out, opener, from);
        if (at < 0)
            break;
        const qsizetype bracket = out.indexOf(QLatin1Char('>'), at + opener.size());
        if (bracket < 0)
            break;
        out[bracket] = QLatin1Char(']');
        from = bracket;
        run.CvDoEvents();
    }
    return out;
}

QString DiscusProcessFormatting(ConversionRun &run, const QString &text)
{
    QString out;
    const bool ok = run.Trap(QStringLiteral("DiscusProcessFormatting()"), [&] {
        out = text;

        // 1. Closing font tags become the BBCode closing tag of their opening tag's kind,
        // in place: "[/size]", "[/font]" and "[/colo]" have the length of "</font>", so
        // the stored positions stay valid ("[/colo]" is widened at the end). An opening
        // tag that nothing closes has no closing tag to rewrite: it is skipped, and the
        // unbalanced post is converted like any other.
        QVector<FontTagPair> pairs;
        if (PairFontTags(out, pairs)) {
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
                run.CvDoEvents();
            }
        }

        // 2-3. Quotes, relative sizes and size values inside the font tags.
        out = cleanFontTags(out);

        // 4. The opening tags' ">" becomes "]".
        out = CloseTagBracket(run, out, SizeOpen);
        out = CloseTagBracket(run, out, FaceOpen);
        out = CloseTagBracket(run, out, ColorOpen);

        // 5. The literal replacements, in this order ("size= " lost its blank with the
        // font tags' clean-up, which alone may hold it). A "</font>" still here closes no
        // converted tag (a font tag of another kind, or none at all): it goes, as its
        // opening tag goes with the other tags, instead of leaving a stray "[/font]".
        static const char16_t *const replacements[][2] = {
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
        for (const auto &r : replacements)
            ReplaceText(out, r[0], r[1]);
    });
    run.CvDoEvents();
    return ok ? out : QString();
}
