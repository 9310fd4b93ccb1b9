// The Discus member file, the member and group registries of a run, and the users and
// groups import files written from them.
#include "members/modMembers.h"

#include "members/modCRC32Hash.h"
#include "members/phpBBCleanString.h"
#include "output/ImportFile.h"
#include "output/ImportRows.h"
#include "output/TextCleaning.h"
#include "output/TextFiles.h"
#include "run/ConversionRun.h"
#include "run/IdLimits.h"

#include <cmath>
#include <limits>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The blanks (spaces) at both ends removed.
QString trimBlanks(const QString &text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return (from == 0 && to == text.size()) ? text : text.mid(from, to - from);
}

// A user, real or group name as the registries keep it.
QString cleanName(const QString &name)
{
    return trimBlanks(StripSpecialCharacters(EncodeSpecialCharacters(name)));
}

// The field as a 32-bit number when it reads as a number, else 0. A number beyond
// 32 bits is an overflow (error 6).
qint32 numericField(const QString &field)
{
    const QStringView text = QStringView(field).trimmed();
    double value = 0;
    // Plain whole numbers, the usual case, are read directly; other forms (fractions,
    // exponents) go through the general parser.
    qsizetype i = (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) ? 1 : 0;
    const qsizetype digitsFrom = i;
    qint64 whole = 0;
    while (i < text.size() && i - digitsFrom < 18 && text.at(i) >= u'0' && text.at(i) <= u'9')
        whole = whole * 10 + (text.at(i++).unicode() - u'0');
    if (i > digitsFrom && i == text.size()) {
        value = double(text.front() == u'-' ? -whole : whole);
    } else {
        bool ok = false;
        value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return 0;
        value = std::nearbyint(value);
    }
    if (value < double(std::numeric_limits<qint32>::min()) || value > double(std::numeric_limits<qint32>::max()))
        throw QbError(QbErrNo::Overflow, QStringLiteral("Overflow"));
    return qint32(value);
}

// Why a member-file line cannot make a member, or "" when it can. The member record
// needs the user name, the password and the e-mail address, and without an address the
// fields up to the groups as well; a number beyond 32 bits is read as 0 only after an
// address. Control characters and bytes that are not UTF-8 (read as U+FFFD) mark a line
// damaged on disk, whose fields cannot be trusted.
QString memberLineFault(const QString &line, const QStringList &fields)
{
    for (const QChar c : line) {
        const char16_t u = c.unicode();
        if (u == 0xFFFD)
            return QStringLiteral("Invalid Bytes");
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            return QStringLiteral("Control Characters");
    }
    if (trimBlanks(fields.at(0)).isEmpty() || cleanName(fields.at(0)).isEmpty())
        return QStringLiteral("Empty User Name");
    const bool hasEmail = fields.size() > 2 && !fields.at(2).isEmpty();
    if (fields.size() < 3 || (!hasEmail && fields.size() < 10))
        return QStringLiteral("Too Few Fields");
    if (!hasEmail) {
        try {
            numericField(fields.at(6));
            numericField(fields.at(8));
        } catch (const QbError &) {
            return QStringLiteral("Number Out Of Range");
        }
    }
    return QString();
}

// The phpBB3 ids of the member's registered groups, in the order the member file names
// them, each once.
QVector<qint32> memberGroupIds(ConversionRun &run, const QString &groups)
{
    QVector<qint32> ids;
    if (groups.isEmpty())
        return ids;
    for (const QString &name : groups.split(QLatin1Char('/'))) {
        if (name.isEmpty())
            continue;
        const QString clean = cleanName(name);
        if (clean.isEmpty())
            continue;
        if (const GroupPtr *group = run.GroupsByName.find(clean))
            if (!ids.contains((*group)->ID))
                ids.append((*group)->ID);
    }
    return ids;
}

// phpBB's group of every registered member.
constexpr qint32 RegisteredGroupId = 2;

// A user name as phpBB stores it (HTML-escaped, NFC) and its clean form, from a member
// name whose only token can be the line break.
void phpBBNames(const QString &memberName, QString &stored, QString &clean)
{
    stored = phpBBStoredUserName(DecodeSpecialCharacters(memberName, QStringLiteral(" ")));
    clean = phpBBCleanString(stored);
}

} // namespace

const QString AdministratorEmail = QStringLiteral("admin@example.invalid");

void DiscusReadUserFile(ConversionRun &run)
{
    if (run.stopped())
        return;
    const QString path = run.gen().FileExists(run.settings.UserFile) ? run.settings.UserFile : run.settings.UsersFile;
    run.DisplayInfo(CrLf + QStringLiteral("Processing Discus Member File, Please wait..."), true, true);

    // A missing or unreadable file is reported by the reader; the text stays empty then.
    QString text;
    GetFileDataCharset(run, path, text, QStringLiteral("utf-8"), true);

    // The administrator comes first and gets id 2, so posts under that name belong to
    // phpBB3's own administrator account.
    const QString admin = run.settings.phpBB3DefaultAdmin;
    DiscusAddMember(run,
                    (admin + QStringLiteral(",,") + AdministratorEmail + QLatin1Char(',') + admin + QStringLiteral(",,,,0,,,"))
                        .split(QLatin1Char(',')),
                    true);

    run.MemberPostCounts.fill(0, 101);
    qint32 count = 0;
    // Lines end in CR LF or in LF alone; cutting at LF and dropping the CR before it
    // reads both, and a file that mixes them loses no member either.
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char(':'));
        const QString fault = memberLineFault(line, fields);
        // A line with a blank user name still names groups; a damaged one names nothing.
        if ((fault.isEmpty() || fault == QLatin1String("Empty User Name")) && fields.size() > 9)
            DiscusAddGroups(run, fields.at(9).split(QLatin1Char('/')));
        if (run.stopped())
            break;
        if (!fault.isEmpty()) {
            // One bad line costs only its member: that name's posts go to an unknown
            // poster, as for any name the member file lacks.
            run.tally.memberLineSkipped(QStringLiteral("Line ") + QString::number(n + 1) + QStringLiteral(" - ") + fault, path);
            run.DisplayInfo(QStringLiteral("Member Line Skipped - ") + QString::number(n + 1) + QStringLiteral(" - ") + fault
                                + CrLf,
                            true, true);
        } else {
            ++count;
            DiscusAddMember(run, fields);
            if (count == run.MemberPostCounts.size() - 1)
                run.MemberPostCounts.resize(count + 101);
        }
        run.CvDoEvents();
        // Cancel, or a member that could not be registered: keep the members read so far.
        if (run.stopped())
            break;
    }
}

qint32 DiscusAddMember(ConversionRun &run, const QStringList &fields, bool asAdministrator)
{
    qint32 id = 0;
    run.Trap(QStringLiteral("DiscusAddMember()"), [&] {
        // Fields 0 to 2 must be there; after a non-empty e-mail address a missing field
        // reads as empty, without one it is an error.
        bool lenient = false;
        const auto field = [&](int index) -> QString {
            if (index < fields.size())
                return fields.at(index);
            if (lenient)
                return QString();
            throw QbError(QbErrNo::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
        };
        const auto number = [&](int index) -> qint32 {
            try {
                return numericField(field(index));
            } catch (const QbError &) {
                if (lenient)
                    return 0;
                throw;
            }
        };

        auto member = std::make_shared<clsMember>();
        member->username = cleanName(field(0));
        member->Password = field(1);
        member->Email = field(2).toLower();
        if (!member->Email.isEmpty()) {
            member->EmailHash = EmailHash(member->Email);
            lenient = true;
        }
        const QString realName = field(3);
        member->RealName = trimBlanks(realName).isEmpty() ? member->username : cleanName(realName);
        member->RegisteredDate = number(6);
        member->IPAddr = field(7);
        member->LastPost = number(8);
        member->PostCount = 0;
        const qint64 id64 = qint64(run.MembersByRealName.count()) + (asAdministrator ? 2 : run.settings.phpBB3DefaultUsers);
        if (id64 > MaxRowId)
            throw QbError(QbErrNo::Overflow, QStringLiteral("Overflow - member ids would pass %1, the largest id the import rows hold")
                                                 .arg(MaxRowId));
        member->ID = qint32(id64);
        member->Groups = field(9);

        // A repeated real name gets the member's id appended (Jane Doe 52). A name that
        // is still taken (by a made-unique one) gets it again, so every member has a
        // real-name entry and an id of its own.
        const QString idText = QString::number(member->ID);
        if (!run.MemberRealNames.tryAdd(member->RealName, member->RealName))
            member->RealName += QLatin1Char(' ') + idText;
        while (!run.MembersByRealName.tryAdd(member->RealName, member))
            member->RealName += QLatin1Char(' ') + idText;
        // A repeated user name only keeps the member out of the user-name registry.
        run.MembersByUserName.tryAdd(member->username, member);
        run.MembersById.tryAdd(idText, member);
        id = member->ID;
    });
    return id;
}

void DiscusAddGroups(ConversionRun &run, const QStringList &names)
{
    run.Trap(QStringLiteral("DiscusAddGroups()"), [&] {
        for (const QString &entry : names) {
            if (entry.isEmpty())
                continue;
            // A name of nothing but blanks and stripped characters makes no group.
            const QString name = cleanName(entry);
            if (!name.isEmpty() && !run.GroupsByName.contains(name)) {
                const qint64 id = qint64(run.GroupsByName.count()) + run.settings.phpBB3DefaultGroups + 1;
                if (id > MaxGroupId)
                    throw QbError(QbErrNo::Overflow,
                                  QStringLiteral("Overflow - group ids would pass %1, the largest group id phpBB3 holds")
                                      .arg(MaxGroupId));
                auto group = std::make_shared<clsGroup>();
                group->Name = name;
                group->ID = qint32(id);
                run.GroupsByName.tryAdd(name, group);
            }
            run.CvDoEvents();
        }
    });
}

void phpBB3WriteGroupsFile(ConversionRun &run)
{
    if (run.stopped())
        return;
    run.DisplayInfo(CrLf + QStringLiteral("Writing phpBB3 Groups Import File, Please Wait...") + CrLf, true, true);
    run.Trap(QStringLiteral("phpBB3WriteGroupsFile()"), [&] {
        const QString table = QStringLiteral("phpBB3_groups");
        run.GroupsByName.forEach([&](const QString &, const GroupPtr &group) {
            clsTblGroups row;
            row.group_id = group->ID;
            row.group_name = phpBBEscapeRowText(group->Name);
            row.group_desc_options = 7;
            row.group_type = 0;
            row.group_max_recipients = 0;
            WriteFileLine(run, row.BuildString(), run.groups, table);
            run.CvDoEvents();
        });
        if (run.groups.isOpen())
            CloseImportFile(run, run.groups);
    });
}

void phpBB3WriteMemberFile(ConversionRun &run)
{
    run.DisplayInfo(CrLf + QStringLiteral("Writing phpBB3 Users Import File, Please Wait...") + CrLf, true, true);
    run.Trap(QStringLiteral("phpBB3WriteMemberFile()"), [&] {
        const QString table = QStringLiteral("phpBB3_users");
        // phpBB finds a member at login by the clean form of the name, which must be unique
        // on the board: the guest, the administrator and the release's bots hold theirs.
        QSet<QString> taken = phpBBReservedCleanNames(
            run.settings.phpBB3Version, DecodeSpecialCharacters(run.settings.phpBB3DefaultAdmin, QStringLiteral(" ")));
        bool first = true;
        run.MembersById.forEach([&](const QString &, const MemberPtr &m) {
            // The administrator, registered first, already exists in phpBB3.
            if (first) {
                first = false;
                run.CvDoEvents();
                return;
            }
            QString stored, clean;
            phpBBNames(m->username, stored, clean);
            while (taken.contains(clean)) {
                // The same rule as for repeated real names: a blank and the member's id.
                const QString suffix = QLatin1Char(' ') + QString::number(m->ID);
                m->username += suffix;
                m->RealName += suffix;
                phpBBNames(m->username, stored, clean);
            }
            taken.insert(clean);

            const QVector<qint32> groupIds = memberGroupIds(run, m->Groups);
            clsTblUsers row;
            row.user_id = m->ID;
            row.user_type = 0;
            row.group_id = groupIds.isEmpty() ? RegisteredGroupId : groupIds.first();
            row.user_ip = m->IPAddr;
            row.user_regdate = m->RegisteredDate;
            row.username = EncodeSpecialCharacters(stored);
            row.username_clean = EncodeSpecialCharacters(clean);
            row.user_password = m->Password;
            row.user_email = m->Email;
            row.user_email_hash = phpBBEmailHash(m->Email);
            row.user_lastpost_time = m->LastPost;
            row.user_posts = (m->ID >= 0 && m->ID < run.MemberPostCounts.size()) ? run.MemberPostCounts.at(m->ID) : 0;
            row.user_lang = QStringLiteral("en");
            row.user_timezone = QStringLiteral("UTC");
            row.user_dateformat = QStringLiteral("D M d, Y g:i a");
            row.user_style = 1;
            row.user_rank = 0;
            row.user_colour = QString(); // only the administrator's name is coloured
            row.user_full_folder = -3;
            row.user_topic_sortby_type = QStringLiteral("t");
            row.user_topic_sortby_dir = QStringLiteral("d");
            row.user_post_sortby_type = QStringLiteral("t");
            row.user_post_sortby_dir = QStringLiteral("a");
            row.user_notify_pm = 1;
            row.user_allow_pm = 1;
            row.user_allow_viewonline = 1;
            row.user_allow_viewemail = 1;
            row.user_options = 230271;
            WriteFileLine(run, row.BuildString(), run.users, table);

            // Memberships: the registered members' group and every Discus group of the member.
            clsTblUserGroup membership;
            membership.user_id = m->ID;
            membership.group_id = RegisteredGroupId;
            WriteFileLine(run, membership.BuildString(), run.userGroup, QStringLiteral("phpBB3_user_group"));
            for (qint32 id : groupIds) {
                membership.group_id = id;
                WriteFileLine(run, membership.BuildString(), run.userGroup, QStringLiteral("phpBB3_user_group"));
            }
            run.CvDoEvents();
        });
        if (run.users.isOpen())
            CloseImportFile(run, run.users);
        if (run.userGroup.isOpen())
            CloseImportFile(run, run.userGroup);
    });
}
