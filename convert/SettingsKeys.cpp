#include "convert/SettingsKeys.h"

#include "run/IdLimits.h"

#include <QVector>
#include <algorithm>
#include <limits>

const QList<SettingKey> &settingKeys()
{
    static const QList<SettingKey> keys = {
        {"DiscusRootFolder", SettingKind::Field, "txtDiscusRootFolder", "~/Discusware/",
         "root folder of the Discus installation copied to this computer"},
        {"DiscusMessageFolder", SettingKind::Stored, "", "<root>discus/messages/", "Discus public messages folder"},
        {"DiscusSecureMessageFolder", SettingKind::Stored, "", "<root>discus_admin_nnnnnnnnnn/secure/",
         "Discus secure (password protected) messages folder"},
        {"DiscusMainFolder", SettingKind::Stored, "", "<root>discus_admin_nnnnnnnnnn/",
         "Discus administration folder (holds User.txt)"},
        {"phpBB3_OutputFolder", SettingKind::Field, "txtphpBB3OutputFolder", "~/Discusware/phpBB3/Output/",
         "folder that receives all output; emptied before every conversion"},
        {"phpBB3_AttachmentsFolder", SettingKind::Stored, "", "<output>Attachments/",
         "folder that receives the copied attachment files"},
        {"DiscusWebsite", SettingKind::Field, "txtDiscusWebsite", "", "address of the old Discus site (required)"},
        {"phpBB3ForumAddr", SettingKind::Field, "txtphpBB3ForumAddr", "", "address of the new phpBB forum (required)"},
        {"phpBB3_Admin", SettingKind::Field, "txtDefaultAdmin", "", "user name of the phpBB administrator (required)"},
        {"phpBB3_Users", SettingKind::Field, "txtDefaultUsers", "57 (3.3), 47 (3.2)",
         "number of users the fresh phpBB database already holds"},
        {"phpBB3_Groups", SettingKind::Field, "txtDefaultGroups", "7",
         "number of groups the fresh phpBB database already holds"},
        {"SplitMBSize", SettingKind::Field, "txtSplitMBSize", "50", "size limit of one import file in MB; 0: no splitting"},
        {"ImportPartMBSize", SettingKind::Field, "txtImportPartMBSize", "8",
         "size limit of one file of the folder SQL for phpMyAdmin in MB; 0: one file"},
        {"Charset", SettingKind::Choice, "cboCharset", "utf-8 (found in the first page)",
         "character set of the Discus pages"},
        {"phpBB3Version", SettingKind::Choice, "cboPhpBB3Version", "3.3", "target phpBB release: 3.3 or 3.2"},
        {"Display", SettingKind::CheckBox, "chkShowProgress", "1", "show the progress lines (0 or 1)"},
        {"Log", SettingKind::CheckBox, "chkLogProgress", "1", "write the progress lines to Log.txt (0 or 1)"},
        {"CreateAttachments", SettingKind::CheckBox, "chkCreateAttachments", "1", "copy the attachment files (0 or 1)"},
        {"CreateHiddenTopics", SettingKind::CheckBox, "chkCreateHiddenTopics", "1",
         "convert pages found only in the secure folder as hidden topics (0 or 1)"},
        {"CreateRedirectionFiles", SettingKind::CheckBox, "chkCreateRedirectionFiles", "1",
         "write redirection pages from the old addresses to the new topics (0 or 1)"},
        {"FindDiscusSpecialCharacters", SettingKind::CheckBox, "chkFindDiscusSpecialCharacters", "1",
         "search the pages for unknown special character sequences (0 or 1)"},
        {"ConvertAllFormatting", SettingKind::CheckBox, "chkConvertAllFormatting", "1",
         "turn italics, underline, quotes, lists, code and headings into BBCode (0 or 1)"},
    };
    return keys;
}

const SettingKey *findSettingKey(const QString &key)
{
    for (const SettingKey &k : settingKeys())
        if (key.compare(QLatin1String(k.key), Qt::CaseInsensitive) == 0)
            return &k;
    // The Discus website has always been saved under both spellings.
    if (key.compare(QLatin1String("DiscusWebSite"), Qt::CaseInsensitive) == 0)
        return findSettingKey(QStringLiteral("DiscusWebsite"));
    return nullptr;
}

namespace {
int editDistance(const QString &a, const QString &b)
{
    QVector<int> row(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            const bool same = a.at(i - 1).toLower() == b.at(j - 1).toLower();
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}
} // namespace

QString closestSettingKey(const QString &key)
{
    QString best;
    int bestDistance = std::numeric_limits<int>::max();
    for (const SettingKey &k : settingKeys()) {
        const int d = editDistance(key, QLatin1String(k.key));
        if (d < bestDistance) {
            bestDistance = d;
            best = QLatin1String(k.key);
        }
    }
    return best;
}

qint32 defaultUsersFor(const QString &release)
{
    // What a fresh installation of each release holds (its guard checks the same ids).
    return release.trimmed() == QLatin1String("3.2") ? 47 : 57;
}

const QList<CountField> &countFields()
{
    static const QList<CountField> fields = {
        {"txtDefaultUsers", "phpBB3_Users", "phpBB3 Default Users", 1, MaxDefaultCount},
        {"txtDefaultGroups", "phpBB3_Groups", "Default User Groups", 1, MaxDefaultCount},
        {"txtSplitMBSize", "SplitMBSize", "Max MB Size For Split Files", 0, 1048576},
    };
    return fields;
}

const CountField *findCountField(const QString &controlOrKey)
{
    for (const CountField &f : countFields())
        if (controlOrKey == QLatin1String(f.control) || controlOrKey.compare(QLatin1String(f.key), Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

QString checkCountField(const CountField &field, const QString &text)
{
    const QString t = text.trimmed();
    bool digits = !t.isEmpty() && t.size() <= 18;
    for (const QChar c : t)
        digits &= c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const qint64 value = digits ? t.toLongLong() : -1;
    if (digits && value >= field.minimum && value <= field.maximum)
        return QString();
    const QString range = QStringLiteral("a whole number from %1 to %2").arg(field.minimum).arg(field.maximum);
    if (t.isEmpty())
        return QStringLiteral("\"%1\" must be filled in with %2.").arg(QLatin1String(field.label), range);
    return QStringLiteral("\"%1\" must be %2; \"%3\" is not.").arg(QLatin1String(field.label), range, t);
}
