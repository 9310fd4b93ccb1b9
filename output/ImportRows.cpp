// Rendering of the import rows. BuildString runs once for every row of the conversion,
// so it sizes the line once and appends the fields without temporaries.
#include "output/ImportRows.h"

#include "output/TextCleaning.h"

#include <QLatin1StringView>

namespace {

// Longest decimal form of a 64-bit integer with its sign.
constexpr qsizetype MaxIntDigits = 20;

void appendInt(QString &line, qint64 value)
{
    char digits[MaxIntDigits + 1];
    char *const end = digits + sizeof digits;
    char *p = end;
    quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    do {
        *--p = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--p = '-';
    line.append(QLatin1StringView(p, end - p));
}

// Every text field passes through the row cleaning, whatever filled it: a value that
// holds a comma, a double quote or a line break can then never end its field or the
// line early. The cleaning leaves cleaned text as it is, so values cleaned by their
// writer pass unchanged.
void appendText(QString &line, const QString &value)
{
    line.append(QLatin1Char('"'));
    AppendEncodedSpecialCharacters(line, value);
    line.append(QLatin1Char('"'));
}

void appendRaw(QString &line, const QString &value)
{
    AppendEncodedSpecialCharacters(line, value);
}

} // namespace

// Room a field needs in the line, its separator included.
#define QB_ROW_SIZE_Int(member) +(MaxIntDigits + 1)
#define QB_ROW_SIZE_Int64(member) +(MaxIntDigits + 1)
#define QB_ROW_SIZE_Text(member) +(member.size() + 3)
#define QB_ROW_SIZE_Raw(member) +(member.size() + 1)
#define QB_ROW_SIZE(kind, member, column) QB_ROW_SIZE_##kind(member)

// One field followed by its separator; the last separator is dropped afterwards.
#define QB_ROW_PUT_Int(member) appendInt(line, member);
#define QB_ROW_PUT_Int64(member) appendInt(line, member);
#define QB_ROW_PUT_Text(member) appendText(line, member);
#define QB_ROW_PUT_Raw(member) appendRaw(line, member);
#define QB_ROW_PUT(kind, member, column)                                                              \
    QB_ROW_PUT_##kind(member) line.append(QLatin1Char(','));

#define QB_ROW_NAME(kind, member, column) QStringLiteral(column),
#define QB_ROW_TEXT_NAME_Int(column)
#define QB_ROW_TEXT_NAME_Int64(column)
#define QB_ROW_TEXT_NAME_Text(column) QStringLiteral(column),
#define QB_ROW_TEXT_NAME_Raw(column) QStringLiteral(column),
#define QB_ROW_TEXT_NAME(kind, member, column) QB_ROW_TEXT_NAME_##kind(column)

#define QB_ROW_IMPLEMENT(Class, COLUMNS, TABLE)                                                       \
    QString Class::BuildString() const                                                                \
    {                                                                                                 \
        QString line;                                                                                 \
        line.reserve(0 COLUMNS(QB_ROW_SIZE));                                                         \
        COLUMNS(QB_ROW_PUT)                                                                           \
        line.chop(1);                                                                                 \
        return line;                                                                                  \
    }                                                                                                 \
    QStringList Class::columnNames()                                                                  \
    {                                                                                                 \
        static const QStringList names{COLUMNS(QB_ROW_NAME)};                                         \
        return names;                                                                                 \
    }                                                                                                 \
    QStringList Class::textColumnNames()                                                              \
    {                                                                                                 \
        static const QStringList names{COLUMNS(QB_ROW_TEXT_NAME)};                                    \
        return names;                                                                                 \
    }                                                                                                 \
    QString Class::tableName() { return QStringLiteral(TABLE); }

QB_ROW_IMPLEMENT(clsTblForums, QB_FORUMS_COLUMNS, "phpBB3_forums")
QB_ROW_IMPLEMENT(clsTblTopics, QB_TOPICS_COLUMNS, "phpBB3_topics")
QB_ROW_IMPLEMENT(clsTblPosts, QB_POSTS_COLUMNS, "phpBB3_posts")
QB_ROW_IMPLEMENT(clsTblUsers, QB_USERS_COLUMNS, "phpBB3_users")
QB_ROW_IMPLEMENT(clsTblGroups, QB_GROUPS_COLUMNS, "phpBB3_groups")
QB_ROW_IMPLEMENT(clsTblAttachments, QB_ATTACHMENTS_COLUMNS, "phpBB3_attachments")
QB_ROW_IMPLEMENT(clsTblUserGroup, QB_USER_GROUP_COLUMNS, "phpBB3_user_group")

QStringList ImportColumns(const QString &tableName)
{
    if (tableName == clsTblForums::tableName())
        return clsTblForums::columnNames();
    if (tableName == clsTblTopics::tableName())
        return clsTblTopics::columnNames();
    if (tableName == clsTblPosts::tableName())
        return clsTblPosts::columnNames();
    if (tableName == clsTblUsers::tableName())
        return clsTblUsers::columnNames();
    if (tableName == clsTblGroups::tableName())
        return clsTblGroups::columnNames();
    if (tableName == clsTblAttachments::tableName())
        return clsTblAttachments::columnNames();
    if (tableName == clsTblUserGroup::tableName())
        return clsTblUserGroup::columnNames();
    return {};
}
