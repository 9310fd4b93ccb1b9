#pragma once
// Upper bounds of the ids a conversion hands out, and of the two count fields (users and
// groups the target phpBB3 database already holds) that set where member and group ids
// start.
#include "run/QbError.h"

#include <QString>
#include <limits>

// The largest id of a post, topic, forum, attachment or member: the rows carry ids as
// 32-bit signed numbers (phpBB3's INT(10) UNSIGNED columns hold more).
constexpr qint32 MaxRowId = std::numeric_limits<qint32>::max();
// phpBB3's group ids are MEDIUMINT(8) UNSIGNED.
constexpr qint32 MaxGroupId = 16777215;
// The largest value either count field takes: half the group-id range, which leaves as
// many ids again for the converted groups, and for users keeps the post counts (a table
// indexed by member id) at most 32 MB while leaving over two billion member ids free.
constexpr qint32 MaxDefaultCount = 8388607;

// True when a count field's value leaves room for the board's ids.
constexpr bool CountWithinLimit(qint64 value)
{
    return value >= 0 && value <= MaxDefaultCount;
}

// The refusal of a count field beyond the limit; what is "Users" or "Groups".
inline QString CountTooLargeMessage(const QString &what)
{
    return QStringLiteral("Total Default ") + what + QStringLiteral(" of your phpBB3 database cannot be more than ")
        + QString::number(MaxDefaultCount);
}

// The id that follows counter, which it becomes; a counter already at maxId stops the
// conversion with a clear error (what names the ids: "post ids") instead of overflowing.
inline qint32 NextId(qint32 &counter, qint32 maxId, const char *what)
{
    if (counter >= maxId)
        throw QbError(QbErrNo::Overflow, QStringLiteral("Overflow - %1 would pass %2, the largest id the import rows hold")
                                             .arg(QLatin1String(what))
                                             .arg(maxId));
    return ++counter;
}
