#include "BoardGenerator.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <utility>

namespace qbgen {

namespace {

// splitmix64: small, fast and the same everywhere (std distributions differ between
// standard libraries, so they are not used).
class Rng {
public:
    explicit Rng(quint64 seed) : m_state(seed) {}
    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return n <= 0 ? 0 : int(next() % quint64(n)); }
    bool oneIn(int n) { return below(n) == 0; }
    const QString &pick(const QStringList &list) { return list.at(below(int(list.size()))); }

private:
    quint64 m_state;
};

QStringList words(const char *text) { return QString::fromUtf8(text).split(QLatin1Char('|')); }

// Name and text material of a fictional birdwatchers' club. Every list has a part that
// iso-8859-1 can encode and a part that only utf-8 pages use.
struct Material {
    QStringList first, last, birds, places, boards, categories, groups, sentences, announcements;
};

Material material(bool utf8)
{
    Material m;
    m.first = words("Jane|Tom|Margaret|Oliver|Priya|Hamish|Siân|Kwame|Elena|Gareth|Ruth|Dieter|Aoife|Pablo|"
                    "Heather|Nils|Bridget|Samir|Fiona|Jürgen|Zoë|José|Søren|Renée|Ólafur|Françoise|Björn|"
                    "Inès|Gaël|Marta|Ingrid|Declan|Yusuf|Hannah|Colm|Astrid|Wendell|Mireille|Tobias|Nuala");
    m.last = words("Doe|Whitfield|Marsh|Fenwick|Okafor|Brandt|Müller|Brontë|Ålund|O'Brien|D'Arcy|O'Neill|"
                   "MacAllister|Nakamura|Castellano|Lindqvist|Haverford|Pemberton|Ashdown|Kowalski|Dubois|"
                   "Gonçalves|Jääskeläinen|Sørensen|Weiß|Núñez|Thackeray|Quinlan|Velázquez|Færch");
    m.birds = words("Redstart|Nightjar|Wryneck|Little Egret|Bittern|Hobby|Red Kite|Waxwing|Hoopoe|Bee-eater|"
                    "Osprey|Marsh Harrier|Kingfisher|Dipper|Firecrest|Goldcrest|Spoonbill|Avocet|Curlew|"
                    "Whimbrel|Snow Bunting|Ring Ouzel|Pied Flycatcher|Garganey|Smew|Goosander|Barn Owl|"
                    "Tawny Owl|Grey Phalarope|Black Redstart|Wood Warbler|Cetti's Warbler|Bearded Tit|"
                    "Crossbill|Twite|Turtle Dove|Cuckoo|Great White Egret|Glossy Ibis|Merlin");
    m.places = words("Hollow Lane|Brackley Heath|the Fen Reservoir|Wrenfield Marsh|Castle Point|the Old Quarry|"
                     "Millbrook Woods|Saltings Creek|Hob Hill|the Sewage Works|Elm Farm|Priory Meadows|"
                     "Großer Weiher|Lac de Grand-Lieu|Doñana|Île de Ré|Hortobágy|Ängsö|the Estuary Hide|"
                     "Fowler's Pit");
    m.boards = words("Garden Birds|Waders, Gulls and Terns|Owls' Corner|Rarities and Scarcities|Ringing Reports|"
                     "Photography|Sound Recording|Trips Abroad|Café Corner|Über den Tellerrand|"
                     "Identification Help|Nest Boxes|Migration Watch|Local Patch Lists|Bird Food Reviews|"
                     "Optics, Scopes and Tripods");
    m.categories = words("Birds and Birding|Club Life|Around Wrenfield|Further Afield|Members' Lounge|"
                         "Equipment, Books and Media|Surveys and Science|Société Ornithologique");
    m.groups = words("Committee|Field Leaders|Ringers' Circle|Photographers|Würzburg Section|Recorders, County|"
                     "Young Birders|Wetland Survey Team");
    m.sentences = words(
        "Had {n} {bird} at {place} this morning, all heading north.|"
        "Thanks, {name}, that's the best record this year.|"
        "The <b>{bird}</b> was still showing at dusk from the second gate.|"
        "Parking at {place} is £2 now, so bring change.|"
        "It was 3°C at dawn and the wind was straight off the sea.|"
        "We had coffee at the caf&eacute; by the hide and watched the {bird} for an hour.|"
        "I didn&rsquo;t see it myself, but {name} did.|"
        "Fish &amp; chips afterwards in the village, as usual.|"
        "A real &quot;lifer&quot; for two of the group.|"
        "Does anyone know if the path along {place} is open again?|"
        "Photos are on my page; the light was awful, I'm afraid.|"
        "Counted {n} {bird} on the rising tide, plus a few Dunlin.|"
        "The naïve young {bird} let us walk to within ten metres.|"
        "Heard a {bird} calling near {place} about ½ mile past the bridge.|"
        "Please log every sighting with the county recorder.|"
        "The next field meeting is at {place}; meet at the car park at 8.|"
        "Weather permitting I'll try {place} again on Sunday.|"
        "That's my {n}th species for the patch this year!|"
        "Good to meet you all at the Müritz trip.|"
        "Ringing session cancelled because of rain, sorry.");
    m.announcements = words(
        "Subscriptions for the new season are due; see the <b>Club Business</b> board.|"
        "The spring programme is out. Please book the coach trips early.|"
        "Remember: no playback of calls at nesting sites.");
    if (utf8) {
        m.first << words("Łucja|Zdeněk|Jiří|Şule|Mirosław|Ľubica|Ołeksandr");
        m.last << words("Wróbel|Dvořák|Łukasiewicz|Şahin|Kovač|Petrović|Chmielewska");
        m.places << words("Łęgi Odrzańskie|Třeboň Ponds|Biebrza Marshes");
        m.boards << words("„Odd“ Behaviour|Ptaki – Polish Section");
        m.groups << words("Łódź Chapter");
        m.sentences << words(
            "She called it a „once in a lifetime“ bird – and it was.|"
            "Three hours in the rain… worth it for the {bird}.|"
            "The reserve asks €3 for non-members.|"
            "It’s the first {bird} at {place} since 1998.|"
            "We drove on to Łódź the next day.");
        m.announcements << words("Welcome to our friends from the Třeboň group – „vítejte“!");
    }
    return m;
}

const char *const kDays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
const char *const kMonths[] = {"January", "February", "March", "April", "May", "June", "July",
                               "August", "September", "October", "November", "December"};

// "Tuesday, June 1, 2004 - 09:05 pm", as Discus prints a post's time.
QString longDate(qint64 t)
{
    const qint64 days = t / 86400;
    const int secs = int(t % 86400);
    const QDate d = QDate(1970, 1, 1).addDays(days);
    int h = secs / 3600;
    const int min = (secs / 60) % 60;
    const bool pm = h >= 12;
    h %= 12;
    if (h == 0)
        h = 12;
    return QStringLiteral("%1, %2 %3, %4 - %5:%6 %7")
        .arg(QLatin1String(kDays[d.dayOfWeek() - 1]), QLatin1String(kMonths[d.month() - 1]))
        .arg(d.day()).arg(d.year())
        .arg(h, 2, 10, QLatin1Char('0')).arg(min, 2, 10, QLatin1Char('0'))
        .arg(pm ? QLatin1String("pm") : QLatin1String("am"));
}

// "06/01/04 09:05 pm", the short form of the topic lists.
QString shortDate(qint64 t)
{
    if (t <= 0)
        return QString();
    const QDate d = QDate(1970, 1, 1).addDays(t / 86400);
    const int secs = int(t % 86400);
    int h = secs / 3600;
    const bool pm = h >= 12;
    h %= 12;
    if (h == 0)
        h = 12;
    return QStringLiteral("%1/%2/%3 %4:%5 %6")
        .arg(d.month(), 2, 10, QLatin1Char('0')).arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.year() % 100, 2, 10, QLatin1Char('0'))
        .arg(h, 2, 10, QLatin1Char('0')).arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(pm ? QLatin1String("pm") : QLatin1String("am"));
}

// Letters that do not decompose into a base letter and a mark.
const char *plainLetters(char16_t c)
{
    switch (c) {
    case u'ø': return "o";
    case u'æ': return "ae";
    case u'ß': return "ss";
    case u'ł': return "l";
    case u'đ': return "d";
    case u'þ': return "th";
    case u'ð': return "d";
    default: return nullptr;
    }
}

// Letters only, lower case, for user names and e-mail addresses.
QString asciiWord(const QString &text, bool keepNonAscii)
{
    QString out;
    for (const QChar c : text) {
        if (c.isLetterOrNumber()) {
            if (c.unicode() < 128 || keepNonAscii)
                out += c.toLower();
            else if (const char *plain = plainLetters(c.toLower().unicode()))
                out += QLatin1String(plain);
            else {
                const QString base = QString(c).normalized(QString::NormalizationForm_KD);
                for (const QChar b : base)
                    if (b.unicode() < 128 && b.isLetter())
                        out += b.toLower();
            }
        }
    }
    return out;
}

struct Post {
    int number = 0;
    qint64 time = 0;
    QString shownName;   // the name written on the page
    int member = -1;     // index into the member list (file members and unknown posters)
    QString body;
};

struct Page {
    GeneratedPage g;
    QVector<int> children;
    bool leaf = false;
    bool mixed = false;
    bool carriesPosts = false;
    QVector<Post> posts; // in page order
    QString announcementHtml;
};

struct Member {
    GeneratedMember g;
    QString password, ip;
    qint64 registered = 0, lastPost = 0;
};

class Builder {
public:
    Builder(const Options &o, Manifest &m)
        : o(o), man(m), rng(o.seed), utf8(o.charset.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0),
          mat(material(utf8)) {}

    bool run(const QString &root, QString *error);

private:
    const Options &o;
    Manifest &man;
    Rng rng;
    bool utf8;
    Material mat;
    QSet<QString> forumKeys;   // every category, board and page name
    QSet<QString> personKeys;  // every real name, user name and unknown poster name
    QVector<Member> members;
    QVector<Page> pages;
    QVector<int> postPages;    // indexes of pages with posts, reading order
    QVector<int> unknownMembers; // member index of each unknown name, in order of appearance
    int nextNumber = 1;
    int nextPostNumber = 1;
    int postSerial = 0;        // posts generated so far, reading order
    int knownSerial = 0;       // posts by file members so far
    int unknownSerial = 0;
    int unknownNames = 0;
    int maxStep = 3600;
    qint64 clock = 0;
    int leafSubSerial = 0, branchSerial = 0, postPageSerial = 0, boardSerial = 0;
    QString errorText;

    QString unique(QSet<QString> &keys, const QString &name, const QString &suffixForm);
    QString personName();
    QString pageName();
    int allocateNumber();
    void makeMembers();
    int addPage(int parent, int depth, const QString &board, const QString &boardName, int category);
    void walk(int idx);
    void readPosts(int idx);
    QString body(const Page &page, const Post &post);
    QString pageHtml(const Page &page) const;
    QString mainHtml() const;
    QString head(const QString &title) const;
    bool write(const QString &path, const QString &text, bool inCharset);
};

QString Builder::unique(QSet<QString> &keys, const QString &name, const QString &suffixForm)
{
    QString candidate = name;
    for (int n = 2; keys.contains(nameKey(candidate)); ++n)
        candidate = suffixForm.arg(name).arg(n);
    keys.insert(nameKey(candidate));
    return candidate;
}

QString Builder::personName()
{
    const QString first = rng.pick(mat.first);
    const QString last = rng.pick(mat.last);
    switch (rng.below(12)) {
    case 0:
    case 1:
        return last + QStringLiteral(", ") + first;           // "Doe, Jane"
    case 2:
        return utf8 ? first + QStringLiteral(" „") + rng.pick(mat.birds).section(QLatin1Char(' '), -1) +
                          QStringLiteral("“ ") + last
                    : first + QStringLiteral(" \"") + rng.pick(mat.birds).section(QLatin1Char(' '), -1) +
                          QStringLiteral("\" ") + last;       // a nickname in quotes
    default:
        return first + QLatin1Char(' ') + last;
    }
}

QString Builder::pageName()
{
    const QString bird = rng.pick(mat.birds);
    const QString place = rng.pick(mat.places);
    QString name;
    switch (rng.below(7)) {
    case 0: name = bird + QStringLiteral(", ") + place; break;
    case 1: name = QStringLiteral("First %1 of the year").arg(bird); break;
    case 2: name = rng.pick(mat.first) + QStringLiteral("'s ") + bird + QStringLiteral(" at ") + place; break;
    case 3: name = utf8 ? place + QStringLiteral(" – ") + bird : place + QStringLiteral(" - ") + bird; break;
    default: name = bird + QStringLiteral(" at ") + place; break;
    }
    return unique(forumKeys, name, QStringLiteral("%1 (part %2)"));
}

int Builder::allocateNumber()
{
    const int n = nextNumber;
    nextNumber += 1 + (rng.oneIn(4) ? rng.below(3) : 0); // Discus leaves gaps where pages were deleted
    return n;
}

void Builder::makeMembers()
{
    static const char kCrypt[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    QStringList groupNames;
    for (int g = 0; g < o.groups; ++g)
        groupNames << unique(personKeys, mat.groups.at(g % mat.groups.size()), QStringLiteral("%1 %2"));
    for (int i = 0; i < o.members; ++i) {
        Member m;
        const QString real = personName();
        QString realName = real;
        for (int n = 2; personKeys.contains(nameKey(realName)); ++n)
            realName = real + QLatin1Char(' ') + QString::number(n);
        personKeys.insert(nameKey(realName));
        m.g.realName = realName;
        const QStringList parts = realName.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const bool lastFirst = realName.contains(QLatin1Char(','));
        const QString first = lastFirst ? parts.value(1) : parts.value(0);
        const QString last = lastFirst ? parts.value(0) : parts.value(parts.size() - 1);
        const QString base = asciiWord(first, rng.oneIn(5)) + QLatin1Char('_') + asciiWord(last, false).left(4);
        QString user = base;
        for (int n = 2; personKeys.contains(nameKey(user)); ++n)
            user = base + QString::number(n);
        personKeys.insert(nameKey(user));
        m.g.username = user;
        if (!rng.oneIn(8)) {
            QString email = asciiWord(first, false) + QLatin1Char('.') + asciiWord(last, false) +
                            QString::number(i + 1) + QStringLiteral("@example.com");
            if (rng.oneIn(6))
                email = email.left(1).toUpper() + email.mid(1, email.indexOf(QLatin1Char('@')) - 1) +
                        QStringLiteral("@Example.COM");
            m.g.email = email;
        }
        for (int k = 0; k < 13; ++k)
            m.password += QLatin1Char(kCrypt[rng.below(64)]);
        m.ip = QStringLiteral("%1.%2").arg(rng.oneIn(2) ? QStringLiteral("198.51.100") : QStringLiteral("203.0.113"))
                   .arg(1 + rng.below(254));
        m.registered = o.startTime - 86400 - rng.below(3 * 365) * 86400LL - rng.below(86400);
        m.lastPost = o.startTime + rng.below(365) * 86400LL;
        if (!groupNames.isEmpty()) {
            m.g.groups << groupNames.at(i % groupNames.size());
            const QString second = groupNames.at((i + 1) % groupNames.size());
            if (i % 3 == 2 && !m.g.groups.contains(second))
                m.g.groups << second;
        }
        members << m;
    }
    // Groups beyond the number of members go to the members in turn, so every group is used.
    for (int g = o.members; g < groupNames.size() && o.members > 0; ++g)
        members[g % o.members].g.groups << groupNames.at(g);
    for (const Member &m : std::as_const(members))
        for (const QString &g : m.g.groups)
            if (!man.groupNames.contains(g))
                man.groupNames << g;
}

int Builder::addPage(int parent, int depth, const QString &board, const QString &boardName, int category)
{
    const int idx = int(pages.size());
    pages.append(Page());
    Page p;
    p.g.board = board;
    p.g.number = depth == 0 ? board : QString::number(allocateNumber());
    p.g.name = depth == 0 ? boardName : pageName();
    p.g.topicName = boardName;
    p.g.category = category;
    p.g.categoryName = man.categoryNames.at(category);
    p.g.parent = parent;
    p.g.depth = depth;
    p.g.title = QStringLiteral("Kestrel Valley Birders: ") +
                (depth == 0 ? boardName : boardName + QStringLiteral(": ") + p.g.name);
    p.leaf = depth >= o.depth || o.fanout == 0;
    if (p.leaf && depth > 0 && o.hiddenEvery > 0 && ++leafSubSerial % o.hiddenEvery == 0)
        p.g.hidden = true;
    if (!p.leaf && o.mixedEvery > 0 && ++branchSerial % o.mixedEvery == 0)
        p.mixed = true;
    p.carriesPosts = (p.leaf || p.mixed) && o.postsPerPage > 0;
    if (depth == 0 && o.announcementEvery > 0 && ++boardSerial % o.announcementEvery == 0) {
        p.g.announcement = true;
        p.announcementHtml = rng.pick(mat.announcements);
    }
    const QString folder = p.g.hidden ? o.adminFolder + QStringLiteral("/secure/") : QStringLiteral("discus/messages/");
    p.g.relativePath = folder + board + QLatin1Char('/') + p.g.number + QStringLiteral(".html");
    pages[idx] = p;
    if (!p.leaf) {
        for (int k = 0; k < o.fanout; ++k) {
            const int child = addPage(idx, depth + 1, board, boardName, category);
            pages[idx].children << child;
        }
        pages[idx].g.entries = o.fanout;
    }
    return idx;
}

// Posts are given out in the order the converter reads them: a page's posts after the
// subtree of its first topic entry, before the other entries.
void Builder::walk(int idx)
{
    const QVector<int> children = pages.at(idx).children;
    if (children.isEmpty()) {
        if (pages.at(idx).carriesPosts)
            readPosts(idx);
        return;
    }
    for (int k = 0; k < children.size(); ++k) {
        walk(children.at(k));
        if (k == 0 && pages.at(idx).carriesPosts)
            readPosts(idx);
    }
}

void Builder::readPosts(int idx)
{
    Page &page = pages[idx];
    const int count = o.postsPerPage;
    page.g.postOrder = int(postPages.size());
    postPages << idx;
    page.g.newestFirst = o.newestFirstEvery > 0 && ++postPageSerial % o.newestFirstEvery == 0;
    page.g.posts = count;
    page.g.firstPostNumber = nextPostNumber;
    nextPostNumber += count;
    QVector<qint64> times(count);
    for (int j = 0; j < count; ++j) {
        clock += 1 + rng.below(maxStep);
        times[j] = clock;
    }
    page.posts.resize(count);
    for (int q = 0; q < count; ++q) {
        const int j = page.g.newestFirst ? count - 1 - q : q; // rank in time
        Post &post = page.posts[q];
        post.number = page.g.firstPostNumber + j;
        post.time = times.at(j);
        ++postSerial;
        const bool unknown = o.members == 0 || (o.unknownEvery > 0 && postSerial % o.unknownEvery == 0);
        if (unknown) {
            // Each unknown name posts twice in a row before the next one appears.
            const int nameIndex = unknownSerial++ / 2;
            if (nameIndex >= unknownNames) {
                Member m;
                QString name = personName();
                const QString base = name;
                for (int n = 2; personKeys.contains(nameKey(name)); ++n)
                    name = base + QLatin1Char(' ') + QString::number(n);
                personKeys.insert(nameKey(name));
                m.g.realName = name;
                m.g.unknown = true;
                unknownMembers << int(members.size());
                members << m;
                ++unknownNames;
            }
            post.member = unknownMembers.at(nameIndex);
            post.shownName = members.at(post.member).g.realName;
            ++page.g.unknownPosts;
        } else {
            post.member = rng.below(o.members);
            ++knownSerial;
            const Member &m = members.at(post.member);
            post.shownName = o.usernameEvery > 0 && knownSerial % o.usernameEvery == 0 ? m.g.username : m.g.realName;
        }
        ++members[post.member].g.posts;
        post.body = body(page, post);
    }
    const Post &oldest = page.g.newestFirst ? page.posts.last() : page.posts.first();
    const Post &newest = page.g.newestFirst ? page.posts.first() : page.posts.last();
    page.g.oldestTime = oldest.time;
    page.g.newestTime = newest.time;
    page.g.oldestPoster = members.at(oldest.member).g.realName;
    page.g.newestPoster = members.at(newest.member).g.realName;
}

QString Builder::body(const Page &page, const Post &post)
{
    QString text;
    const int paragraphs = 1 + rng.below(3);
    for (int p = 0; p < paragraphs; ++p) {
        if (p > 0)
            text += rng.oneIn(2) ? QStringLiteral("<br>\n<br>\n") : QStringLiteral("<p>");
        const int sentences = 1 + rng.below(3);
        for (int s = 0; s < sentences; ++s) {
            QString sentence = rng.pick(mat.sentences);
            sentence.replace(QLatin1String("{bird}"), rng.pick(mat.birds));
            sentence.replace(QLatin1String("{place}"), rng.pick(mat.places));
            sentence.replace(QLatin1String("{n}"), QString::number(2 + rng.below(40)));
            sentence.replace(QLatin1String("{name}"), rng.pick(mat.first));
            switch (sentence.contains(QLatin1Char('<')) ? 13 : rng.below(14)) {
            case 0: sentence = QStringLiteral("<b>") + sentence + QStringLiteral("</b>"); break;
            case 1: sentence = QStringLiteral("<i>") + sentence + QStringLiteral("</i>"); break;
            case 2: sentence = QStringLiteral("<font color=\"#ff0000\">") + sentence + QStringLiteral("</font>"); break;
            case 3: sentence = QStringLiteral("<font size=\"-1\">") + sentence + QStringLiteral("</font>"); break;
            case 4:
                sentence = QStringLiteral("<font size=\"+1\"><font color=\"#006600\">") + sentence +
                           QStringLiteral("</font></font>");
                break;
            case 5: sentence = QStringLiteral("<font face=\"Arial, Helvetica\">") + sentence + QStringLiteral("</font>"); break;
            case 6: sentence = QStringLiteral("<center>") + sentence + QStringLiteral("</center>"); break;
            default: break;
            }
            if (s > 0)
                text += QLatin1Char(' ');
            text += sentence;
        }
    }
    const int serial = postSerial;
    if (o.linkEvery > 0 && serial % o.linkEvery == 0 && !postPages.isEmpty()) {
        // A link to a page with posts that is not hidden (targets before and after this one).
        int target = -1;
        for (int tries = 0; tries < 8 && target < 0; ++tries) {
            const int t = rng.below(int(pages.size()));
            if (pages.at(t).carriesPosts && !pages.at(t).g.hidden)
                target = t;
        }
        if (target >= 0) {
            const GeneratedPage &t = pages.at(target).g;
            const QString address = (rng.oneIn(3) ? o.website : QString()) + QStringLiteral("/discus/messages/") +
                                    t.board + QLatin1Char('/') + t.number + QStringLiteral(".html");
            text += QStringLiteral("<br>\nSee also <a href=\"%1\">%2</a>.").arg(address, t.name);
            ++man.links;
        }
    }
    if (o.attachmentEvery > 0 && serial % o.attachmentEvery == 0) {
        const QString file = QString::number(post.number) + QStringLiteral(".txt");
        text += QStringLiteral("<br>\n<!--attachment:%1--><a href=\"%2/discus/messages/%3/%1\" target=\"_blank\">%1</a> "
                               "(1 k)<!--/attachment-->")
                    .arg(file, o.website, page.g.board);
        ++man.attachments;
    }
    return text;
}

QString Builder::head(const QString &title) const
{
    return QStringLiteral("<title>%1</title>\n"
                          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%2\">\n"
                          "<link rel=\"stylesheet\" href=\"/discus/clipart/board.css\" type=\"text/css\">\n"
                          "</head>\n"
                          "<body bgcolor=\"#ffffff\" text=\"#000000\" link=\"#1a4d1a\" vlink=\"#4d1a4d\">\n")
        .arg(title, o.charset.toLower());
}

QString Builder::mainHtml() const
{
    QString html = QStringLiteral("<html><head>\n") + head(QStringLiteral("Kestrel Valley Birders: Topics"));
    html += QStringLiteral(
        "<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"3\"><tr><td bgcolor=\"#1a4d1a\">"
        "<font face=\"Verdana, Arial, Helvetica\" size=\"1\" color=\"#ffffff\"><b>"
        "<a href=\"/discus/index.html\">Kestrel Valley Birders</a>: Topics</b></font></td></tr></table>\n"
        "<h2><font face=\"Verdana, Arial, Helvetica\">Kestrel Valley Birders' Discussion Board</font></h2>\n"
        "<table width=\"100%\" border=\"0\" cellspacing=\"1\" cellpadding=\"4\">\n"
        "<tr bgcolor=\"#d8e8d8\"><td><b>Topics</b></td><td align=\"right\"><b>Pages</b></td>"
        "<td><b>Last Post</b></td></tr>\n");
    QHash<QString, qint64> newestByBoard;
    for (const Page &p : pages)
        newestByBoard[p.g.board] = qMax(newestByBoard.value(p.g.board), p.g.newestTime);
    for (int c = 0; c < man.categoryNames.size(); ++c) {
        html += QStringLiteral("<!--Category: %1-->\n<tr><td colspan=\"3\" bgcolor=\"#336633\">"
                               "<font face=\"Verdana, Arial, Helvetica\" size=\"2\" color=\"#ffffff\"><b>"
                               "<!--Text-->%2<!--/Text--></b></font></td></tr>\n<!--/Category-->\n")
                    .arg(c + 1)
                    .arg(man.categoryNames.at(c));
        for (const Page &p : pages) {
            if (p.g.depth != 0 || p.g.category != c)
                continue;
            const qint64 newest = newestByBoard.value(p.g.board);
            html += QStringLiteral("<!--Top: %1-->\n<tr bgcolor=\"#f0f8f0\"><td><font face=\"Verdana, Arial, Helvetica\" "
                                   "size=\"2\"><a href=\"/discus/messages/%1/%1.html?%2\">%3</a></font></td>"
                                   "<td align=\"right\">%4</td><td><font size=\"1\">%5</font></td></tr>\n<!--/Top-->\n")
                        .arg(p.g.board)
                        .arg(newest > 0 ? newest : o.startTime)
                        .arg(p.g.name)
                        .arg(p.children.size())
                        .arg(shortDate(newest));
        }
    }
    html += QStringLiteral("</table>\n<hr>\n<font size=\"1\">Powered by Discus</font>\n</body></html>\n");
    return html;
}

QString Builder::pageHtml(const Page &page) const
{
    const GeneratedPage &g = page.g;
    QString html;
    html.reserve(4096 + page.posts.size() * 1200);
    html += QStringLiteral("<html><head>\n<!--Topic: %1/%2-->\n<!--Me: %3/%4-->\n")
                .arg(g.board, g.topicName, g.number, g.name);
    html += head(g.title);
    // Navigation: the board and every page above this one are links; this page is not.
    QStringList chain;
    for (int a = g.parent; a >= 0; a = pages.at(a).g.parent)
        chain.prepend(QStringLiteral("<a href=\"/discus/messages/%1/%2.html?%3\">%4</a>")
                          .arg(pages.at(a).g.board, pages.at(a).g.number)
                          .arg(o.startTime)
                          .arg(pages.at(a).g.name));
    chain.prepend(QStringLiteral("<a href=\"/discus/messages/board-topics.html\">Topics</a>"));
    chain.prepend(QStringLiteral("<a href=\"/discus/index.html\">Kestrel Valley Birders</a>"));
    chain.append(g.name);
    html += QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"3\"><tr>"
                           "<td bgcolor=\"#1a4d1a\"><font face=\"Verdana, Arial, Helvetica\" size=\"1\" "
                           "color=\"#ffffff\"><b>") +
            chain.join(QStringLiteral(": ")) + QStringLiteral("</b></font></td></tr></table>\n");
    html += QStringLiteral("<h2><font face=\"Verdana, Arial, Helvetica\">%1</font></h2>\n").arg(g.name);
    if (g.announcement)
        html += QStringLiteral("<table width=\"100%\" border=\"1\" cellpadding=\"6\"><tr><td bgcolor=\"#fff8e0\">"
                               "<!--Announcement--><font color=\"#800000\"><b>Notice:</b></font> %1"
                               "<!--/Announcement--></td></tr></table>\n")
                    .arg(page.announcementHtml);
    if (!page.children.isEmpty()) {
        html += QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"1\" cellpadding=\"4\">\n"
                               "<tr bgcolor=\"#d8e8d8\"><td><b>Topic</b></td><td align=\"right\"><b>Posts</b></td>"
                               "<td><b>Last Post</b></td></tr>\n");
        for (int c : page.children) {
            const GeneratedPage &e = pages.at(c).g;
            html += QStringLiteral("<!--Top: %1-->\n").arg(e.number);
            if (e.hidden)
                html += QStringLiteral("<!-- Topic Hidden -->\n");
            html += QStringLiteral("<tr bgcolor=\"#f0f8f0\"><td><font face=\"Verdana, Arial, Helvetica\" size=\"2\">"
                                   "<a href=\"/discus/messages/%1/%2.html?%3\">%4</a></font></td>"
                                   "<td align=\"right\">%5</td><td><font size=\"1\">%6</font></td></tr>\n<!--/Top-->\n")
                        .arg(e.board, e.number)
                        .arg(e.newestTime > 0 ? e.newestTime : o.startTime)
                        .arg(e.name)
                        .arg(e.posts)
                        .arg(shortDate(e.newestTime));
        }
        html += QStringLiteral("</table>\n");
    }
    if (!page.posts.isEmpty()) {
        html += QStringLiteral("<hr>\n");
        for (const Post &post : page.posts) {
            const Member &m = members.at(post.member);
            const QString shown = m.g.unknown
                ? post.shownName
                : QStringLiteral("<a href=\"/cgi-bin/discus/board-profile.cgi?action=display_profile&amp;profile=%1-users\">%2</a>")
                      .arg(m.g.username, post.shownName);
            html += QStringLiteral(
                        "<!--Post: %1-->\n<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"4\">\n"
                        "<tr><td bgcolor=\"#e8f0e8\"><a name=\"POST%1\"></a><font face=\"Verdana, Arial, Helvetica\" "
                        "size=\"2\"><b><!--name-->%2<!--/name--></b>%3</font></td>\n"
                        "<td align=\"right\" bgcolor=\"#e8f0e8\"><font face=\"Verdana, Arial, Helvetica\" size=\"1\">"
                        "<!--Time: %4-->%5:</font></td></tr>\n"
                        "<tr><td colspan=\"2\"><font face=\"Verdana, Arial, Helvetica\" size=\"2\">"
                        "<!--Text-->%6<!--/Text--></font></td></tr>\n</table>\n<!--/Post: %1-->\n")
                        .arg(post.number)
                        .arg(shown, m.g.unknown ? QStringLiteral(" (<i>Unregistered guest</i>)")
                                                : QStringLiteral(" (<i>%1</i>)").arg(m.g.username))
                        .arg(post.time)
                        .arg(longDate(post.time), post.body);
        }
        html += QStringLiteral("<hr>\n<a href=\"/cgi-bin/discus/board-post.pl?page=%1\">Add a Message</a>\n").arg(g.number);
    }
    html += QStringLiteral("<hr>\n<font size=\"1\">Powered by Discus</font>\n</body></html>\n");
    return html;
}

bool Builder::write(const QString &path, const QString &text, bool inCharset)
{
    QByteArray bytes;
    if (inCharset && !utf8) {
        for (const QChar c : text) {
            if (c.unicode() > 0xFF) {
                errorText = QStringLiteral("Character U+%1 cannot be encoded in %2: %3")
                                .arg(c.unicode(), 4, 16, QLatin1Char('0'))
                                .arg(o.charset, path);
                return false;
            }
        }
        bytes = text.toLatin1();
    } else {
        bytes = text.toUtf8();
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        errorText = QStringLiteral("Cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    ++man.files;
    man.bytes += bytes.size();
    return true;
}

bool Builder::run(const QString &rootIn, QString *error)
{
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    const QString cs = o.charset.toLower();
    if (cs != QLatin1String("utf-8") && cs != QLatin1String("iso-8859-1"))
        return fail(QStringLiteral("Unsupported charset \"%1\" (use utf-8 or iso-8859-1)").arg(o.charset));
    if (o.categories < 0 || o.boardsPerCategory < 0 || o.depth < 0 || o.fanout < 0 || o.postsPerPage < 0 ||
        o.members < 0 || o.groups < 0 || o.hiddenEvery < 0 || o.newestFirstEvery < 0 || o.unknownEvery < 0 ||
        o.mixedEvery < 0 || o.linkEvery < 0 || o.attachmentEvery < 0 || o.announcementEvery < 0 ||
        o.usernameEvery < 0)
        return fail(QStringLiteral("Counts must not be negative"));
    double pagesPerBoard = 1, level = 1;
    for (int d = 0; d < o.depth && o.fanout > 0; ++d)
        pagesPerBoard += (level *= o.fanout);
    const double totalPages = pagesPerBoard * o.categories * o.boardsPerCategory;
    if (totalPages > 2e6 || totalPages * o.postsPerPage > 2e7)
        return fail(QStringLiteral("The installation would be too large (%1 pages)").arg(totalPages, 0, 'f', 0));
    if (o.startTime < 0 || o.startTime > 2000000000)
        return fail(QStringLiteral("The start time must lie between 0 and 2000000000"));

    const QString root = QDir::cleanPath(QDir(rootIn).absolutePath());
    man = Manifest();
    man.root = root;
    man.charset = cs;
    man.seed = o.seed;

    makeMembers();
    for (int c = 0; c < o.categories; ++c)
        man.categoryNames << unique(forumKeys, mat.categories.at(c % mat.categories.size()), QStringLiteral("%1 %2"));
    for (int c = 0; c < o.categories; ++c) {
        for (int b = 0; b < o.boardsPerCategory; ++b) {
            const QString board = QString::number(allocateNumber());
            const QString name = unique(forumKeys, mat.boards.at((c * o.boardsPerCategory + b) % mat.boards.size()),
                                        QStringLiteral("%1 %2"));
            addPage(-1, 0, board, name, c);
        }
    }
    // Post times: spread so that the last post stays well inside 32-bit Unix seconds.
    int postPageCount = 0;
    for (const Page &p : std::as_const(pages))
        postPageCount += p.carriesPosts ? 1 : 0;
    const qint64 totalPosts = qint64(postPageCount) * o.postsPerPage;
    const qint64 room = 2100000000LL - o.startTime;
    maxStep = int(qBound(qint64(1), totalPosts > 0 ? room / totalPosts : qint64(3600), qint64(3600)));
    clock = o.startTime - 1;
    for (int i = 0; i < pages.size(); ++i)
        if (pages.at(i).g.depth == 0)
            walk(i);

    // Files.
    if (!write(root + QStringLiteral("/discus/messages/board-topics.html"), mainHtml(), true))
        return fail(errorText);
    for (const Page &p : std::as_const(pages)) {
        if (!write(root + QLatin1Char('/') + p.g.relativePath, pageHtml(p), true))
            return fail(errorText);
        for (const Post &post : p.posts) {
            if (!post.body.contains(QLatin1String("<!--attachment:")))
                continue;
            const QString folder = QFileInfo(root + QLatin1Char('/') + p.g.relativePath).absolutePath();
            const QString text = QStringLiteral("Field notes, post %1\n%2\nCount sheet: %3 birds\n")
                                     .arg(post.number)
                                     .arg(longDate(post.time))
                                     .arg(post.number % 97);
            if (!write(folder + QLatin1Char('/') + QString::number(post.number) + QStringLiteral(".txt"), text, false))
                return fail(errorText);
        }
    }
    QString users;
    for (const Member &m : std::as_const(members)) {
        if (m.g.unknown)
            continue;
        users += QStringList{m.g.username, m.password, m.g.email, m.g.realName, QStringLiteral("1"), QStringLiteral("1"),
                             QString::number(m.registered), m.ip, QString::number(m.lastPost),
                             m.g.groups.join(QLatin1Char('/'))}
                     .join(QLatin1Char(':'));
        users += QLatin1Char('\n');
    }
    if (!write(root + QLatin1Char('/') + o.adminFolder + QStringLiteral("/User.txt"), users, false))
        return fail(errorText);
    QDir().mkpath(root + QLatin1Char('/') + o.adminFolder + QStringLiteral("/secure"));

    // Manifest.
    man.categories = int(man.categoryNames.size());
    man.members = o.members;
    man.groups = int(man.groupNames.size());
    for (const Page &p : std::as_const(pages)) {
        man.pageList << p.g;
        ++man.pages;
        man.boards += p.g.depth == 0 ? 1 : 0;
        man.pagesWithPosts += p.g.posts > 0 ? 1 : 0;
        man.posts += p.g.posts;
        man.hiddenPages += p.g.hidden ? 1 : 0;
        man.hiddenPosts += p.g.hidden ? p.g.posts : 0;
        man.newestFirstPages += p.g.newestFirst ? 1 : 0;
        man.mixedPages += (p.g.posts > 0 && p.g.entries > 0) ? 1 : 0;
        man.unknownPosts += p.g.unknownPosts;
        man.announcements += p.g.announcement ? 1 : 0;
    }
    man.unknownPosters = unknownNames;
    // Link text of every page: the first ".html?" link's text.
    for (GeneratedPage &g : man.pageList) {
        if (g.depth > 0) {
            g.linkText = g.topicName;
        } else {
            const int idx = int(&g - man.pageList.data());
            const QVector<int> &children = pages.at(idx).children;
            g.linkText = children.isEmpty() ? QString() : pages.at(children.first()).g.name;
        }
    }
    for (const Member &m : std::as_const(members))
        man.memberList << m.g;
    return true;
}

} // namespace

QString nameKey(const QString &name)
{
    QString s;
    s.reserve(name.size());
    for (const QChar c : name) {
        switch (c.unicode()) {
        case ',': case '"': case '\'': case '`': case '?': case '^': case 0x201C: case 0x201D: case 0x201E:
        case '\r': case '\n':
            break;
        default:
            s += c;
        }
    }
    s.replace(QLatin1String("..."), QString());
    s.replace(QLatin1String(" ."), QString());
    return s.trimmed().toCaseFolded();
}

QString Manifest::summary() const
{
    QString s;
    auto line = [&s](const char *key, qint64 value) {
        s += QLatin1String(key) + QStringLiteral(": ") + QString::number(value) + QLatin1Char('\n');
    };
    s += QStringLiteral("root: ") + root + QLatin1Char('\n');
    s += QStringLiteral("charset: ") + charset + QLatin1Char('\n');
    s += QStringLiteral("seed: ") + QString::number(seed) + QLatin1Char('\n');
    line("categories", categories);
    line("boards", boards);
    line("pages", pages);
    line("pages with posts", pagesWithPosts);
    line("posts", posts);
    line("members", members);
    line("groups", groups);
    line("hidden pages", hiddenPages);
    line("hidden posts", hiddenPosts);
    line("newest-first pages", newestFirstPages);
    line("mixed pages", mixedPages);
    line("unknown posters", unknownPosters);
    line("unknown posts", unknownPosts);
    line("links", links);
    line("attachments", attachments);
    line("announcements", announcements);
    line("files", files);
    line("bytes", bytes);
    return s;
}

QString Manifest::pageLines() const
{
    QString s;
    for (const GeneratedPage &p : pageList) {
        QStringList flags;
        if (p.depth == 0)
            flags << QStringLiteral("board");
        if (p.hidden)
            flags << QStringLiteral("hidden");
        if (p.newestFirst)
            flags << QStringLiteral("newest-first");
        if (p.posts > 0 && p.entries > 0)
            flags << QStringLiteral("mixed");
        if (p.announcement)
            flags << QStringLiteral("announcement");
        s += QStringLiteral("page\t%1\t%2\t%3\t%4\t%5\n")
                 .arg(p.relativePath, p.number)
                 .arg(p.posts)
                 .arg(flags.isEmpty() ? QStringLiteral("-") : flags.join(QLatin1Char(',')), p.name);
    }
    return s;
}

bool generateBoard(const Options &options, const QString &root, Manifest &manifest, QString *error)
{
    Builder builder(options, manifest);
    return builder.run(root, error);
}

} // namespace qbgen
