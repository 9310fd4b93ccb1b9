// The window's settings, its field handlers, the folder layout and its preparation before
// a run, and the detection of the Discus pages' character set.
#include "convert/ConvertController.h"

#include "convert/SettingsKeys.h"
#include "run/IdLimits.h"

#include "output/TextCleaning.h"
#include "output/TextFiles.h"
#include "output/phpBBScript.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <cmath>
#include <limits>

namespace {
const QString CrLf = QStringLiteral("\r\n");
const QString Section = QStringLiteral("Settings");
const QString AdminPlaceholder = QStringLiteral("discus_admin_nnnnnnnnnn");
constexpr qint64 BytesPerMB = 1048576;

// The number a count field stands for: its leading digits, 0 when there are none or when
// they do not fit a 32-bit count (a count of -5 or of billions is no count of users).
// The count's leading number; any value beyond MaxDefaultCount reads as
// MaxDefaultCount + 1, which the checks refuse (CountWithinLimit).
qint32 leadingCount(const QString &text)
{
    const QString digits = GetLeadingDigits(text);
    bool ok = false;
    const qint64 n = digits.left(12).toLongLong(&ok);
    if (!ok)
        return 0;
    return digits.size() > 12 || !CountWithinLimit(n) ? MaxDefaultCount + 1 : qint32(n);
}

// The split size in MB as a whole number: a decimal value is rounded, anything else
// counts by its leading digits.
qint64 wholeMB(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (ok && v > -9e15 && v < 9e15)
        return qRound64(v);
    return GetLeadingDigits(text).left(15).toLongLong();
}

bool switchValue(const QString &text)
{
    return text.trimmed().toLongLong() != 0;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString withoutTrailingSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) && folder.size() > 1 ? folder.chopped(1) : folder;
}

bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

// Deletes a folder with everything in it. Files without write permission go too; folders
// without it are opened up first so that their entries can be removed.
bool deleteFolder(const QString &folder)
{
    const QString path = withoutTrailingSlash(folder);
    QDirIterator it(path, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const auto openUp = [](const QString &dir) {
        const QFileInfo fi(dir);
        if (!fi.isSymLink() && !(fi.permissions() & QFile::WriteUser))
            QFile::setPermissions(dir, fi.permissions() | QFile::WriteUser | QFile::ExeUser);
    };
    openUp(path);
    while (it.hasNext())
        openUp(it.next());
    QDir(path).removeRecursively();
    return !QFileInfo::exists(path);
}

// The characters a charset name is made of (IANA names and their aliases).
bool isCharsetNameChar(QChar c)
{
    return (c.unicode() < 128 && c.isLetterOrNumber()) || c == QLatin1Char('-') || c == QLatin1Char('_')
        || c == QLatin1Char('.') || c == QLatin1Char(':') || c == QLatin1Char('+');
}

QString findTheFileIn(const QString &folder, const QString &fragment, QSet<QString> &visited)
{
    const QDir dir(folder);
    const QFileInfoList subs = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &sub : subs) {
        // A folder reached twice through links would send the search round in circles.
        const QString canonical = sub.canonicalFilePath();
        if (visited.contains(canonical))
            continue;
        visited.insert(canonical);
        const QDir subDir(sub.absoluteFilePath());
        const QFileInfoList files = subDir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &file : files) {
            if (file.fileName().contains(fragment, Qt::CaseSensitive))
                return file.absoluteFilePath();
        }
        const QString found = findTheFileIn(sub.absoluteFilePath(), fragment, visited);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}
} // namespace

ConvertController::ConvertController(ConvertView &v, QString settingsFile, QString programFolder)
    : view(v), SettingsFile(std::move(settingsFile)), ProgramFolder(std::move(programFolder))
{
    if (!ProgramFolder.isEmpty() && !ProgramFolder.endsWith(QLatin1Char('/')))
        ProgramFolder += QLatin1Char('/');
    DocsFolder = ProgramFolder + QStringLiteral("Docs/");
    // An installed program finds its documents under <prefix>/share/quillbridge/Docs.
    const QString shared = QDir::cleanPath(ProgramFolder + QStringLiteral("../share/quillbridge/Docs")) + QLatin1Char('/');
    if (!isFolder(DocsFolder) && isFolder(shared))
        DocsFolder = shared;
}

ConvertController::~ConvertController() { closeLogs(); }

QString ConvertController::readSetting(const QString &key, const QString &def)
{
    return m_gen.GetIniString(Section, key, def, SettingsFile);
}

void ConvertController::saveSetting(const QString &key, const QString &value)
{
    m_gen.WriteIniString(Section, key, value, SettingsFile);
}

QString ConvertController::defaultDiscusBase()
{
    return QDir::homePath() + QStringLiteral("/Discusware/");
}

void ConvertController::FormLoad()
{
    view.setTitle(QStringLiteral("Quillbridge - Version %1.%2.%3").arg(QB_VERSION_MAJOR).arg(QB_VERSION_MINOR).arg(QB_VERSION_PATCH));

    const auto show = [&](const QString &control, const QString &key, const QString &def) {
        const QString value = readSetting(key, def);
        view.setText(control, RemoveTrailingSlash(value));
        return value;
    };
    show(QStringLiteral("txtDiscusWebsite"), QStringLiteral("DiscusWebsite"), QString());
    show(QStringLiteral("txtphpBB3ForumAddr"), QStringLiteral("phpBB3ForumAddr"), QString());
    show(QStringLiteral("txtSplitMBSize"), QStringLiteral("SplitMBSize"), QStringLiteral("50"));
    show(QStringLiteral("txtDefaultAdmin"), QStringLiteral("phpBB3_Admin"), QString());
    // The target phpBB release first: the default number of users depends on it. Anything
    // but "3.2" means the current release, 3.3.
    phpBB3Version = phpBBTargetVersion(readSetting(QStringLiteral("phpBB3Version"), QStringLiteral("3.3")));
    view.setText(QStringLiteral("cboPhpBB3Version"), phpBB3Version);
    saveSetting(QStringLiteral("phpBB3Version"), phpBB3Version);
    phpBB3DefaultUsers = leadingCount(show(QStringLiteral("txtDefaultUsers"), QStringLiteral("phpBB3_Users"),
                                           QString::number(defaultUsersFor(phpBB3Version))));
    phpBB3DefaultGroups = leadingCount(show(QStringLiteral("txtDefaultGroups"), QStringLiteral("phpBB3_Groups"), QStringLiteral("7")));
    show(QStringLiteral("txtphpBB3OutputFolder"), QStringLiteral("phpBB3_OutputFolder"), defaultDiscusBase() + QStringLiteral("phpBB3/Output/"));

    view.setText(QStringLiteral("cboCharset"), readSetting(QStringLiteral("Charset"), QStringLiteral("utf-8")));
    view.setText(QStringLiteral("txtImportPartMBSize"), readSetting(QStringLiteral("ImportPartMBSize"), QStringLiteral("8")));
    txtImportPartMBSize_LostFocus();

    // The two progress boxes, then the four boxes of the options dialog.
    static const char *const boxes[][2] = {
        {"chkShowProgress", "Display"},
        {"chkLogProgress", "Log"},
        {"chkCreateAttachments", "CreateAttachments"},
        {"chkCreateHiddenTopics", "CreateHiddenTopics"},
        {"chkCreateRedirectionFiles", "CreateRedirectionFiles"},
        {"chkFindDiscusSpecialCharacters", "FindDiscusSpecialCharacters"},
        {"chkConvertAllFormatting", "ConvertAllFormatting"},
    };
    for (const auto &box : boxes)
        view.setChecked(QLatin1String(box[0]), switchValue(readSetting(QLatin1String(box[1]), QStringLiteral("1"))));

    ShowProgress = view.isChecked(QStringLiteral("chkShowProgress"));
    LogProgress = view.isChecked(QStringLiteral("chkLogProgress"));
    CreateAttachments = view.isChecked(QStringLiteral("chkCreateAttachments"));
    CreateHiddenTopics = view.isChecked(QStringLiteral("chkCreateHiddenTopics"));
    CreateRedirectionFiles = view.isChecked(QStringLiteral("chkCreateRedirectionFiles"));
    FindDiscusSpecialCharacters = view.isChecked(QStringLiteral("chkFindDiscusSpecialCharacters"));
    ConvertAllFormatting = view.isChecked(QStringLiteral("chkConvertAllFormatting"));

    view.centre();
    InitializeFolders();
}

void ConvertController::InitializeFolders()
{
    const QString base = defaultDiscusBase();
    const auto folder = [&](const QString &control, const QString &key, const QString &def) {
        const QString value = m_gen.FixPath(readSetting(key, def));
        view.setText(control, value);
        return value;
    };
    DiscusRootFolder = folder(QStringLiteral("txtDiscusRootFolder"), QStringLiteral("DiscusRootFolder"), base);
    DiscusMessageFolder = folder(QStringLiteral("txtDiscusMessageFolder"), QStringLiteral("DiscusMessageFolder"), base + QStringLiteral("discus/messages/"));
    DiscusSecureMessageFolder = folder(QStringLiteral("txtDiscusSecureMessageFolder"), QStringLiteral("DiscusSecureMessageFolder"),
                                       base + AdminPlaceholder + QStringLiteral("/secure/"));
    DiscusMainFolder = folder(QStringLiteral("txtDiscusMainFolder"), QStringLiteral("DiscusMainFolder"), base + AdminPlaceholder + QLatin1Char('/'));
    phpBB3OutputFolder = folder(QStringLiteral("txtphpBB3OutputFolder"), QStringLiteral("phpBB3_OutputFolder"), base + QStringLiteral("phpBB3/Output/"));

    phpBB3AttachmentsFolder = readSetting(QStringLiteral("phpBB3_AttachmentsFolder"), phpBB3OutputFolder + QStringLiteral("Attachments/"));
    view.setText(QStringLiteral("txtphpBB3AttachmentsFolder"), phpBB3AttachmentsFolder);
    RedirectFolder = phpBB3OutputFolder + QStringLiteral("redirect/discus/messages/");

    // The field shows megabytes; the run-wide size counts characters, in 64 bits.
    const qint64 mb = wholeMB(readSetting(QStringLiteral("SplitMBSize"), QStringLiteral("50")));
    view.setText(QStringLiteral("txtSplitMBSize"), QString::number(mb));
    const qint64 limit = std::numeric_limits<qint64>::max() / BytesPerMB;
    SplitSize = qBound(-limit, mb, limit) * BytesPerMB;
}

void ConvertController::txtDiscusRootFolder_LostFocus()
{
    const QString text = view.text(QStringLiteral("txtDiscusRootFolder"));
    if (text.trimmed().isEmpty()) {
        view.messageBox(QStringLiteral("Discus Root Folder Must Be Filled In"));
        return;
    }
    DiscusRootFolder = m_gen.FixPath(text);
    if (!isFolder(DiscusRootFolder)) {
        view.messageBox(QStringLiteral("Discus Root Folder Must Exist!"));
        return;
    }
    // The run-wide folders follow the fields, so that a later SetupFolderLocations (the
    // output picker) checks and saves the folders the user now sees.
    DiscusMessageFolder = DiscusRootFolder + QStringLiteral("discus/messages/");
    DiscusMainFolder = adminFolderFor(DiscusRootFolder);
    DiscusSecureMessageFolder = DiscusMainFolder + QStringLiteral("secure/");
    view.setText(QStringLiteral("txtDiscusMessageFolder"), DiscusMessageFolder);
    view.setText(QStringLiteral("txtDiscusMainFolder"), DiscusMainFolder);
    view.setText(QStringLiteral("txtDiscusSecureMessageFolder"), DiscusSecureMessageFolder);
    saveSetting(QStringLiteral("DiscusRootFolder"), text);
    saveSetting(QStringLiteral("DiscusMessageFolder"), DiscusMessageFolder);
    saveSetting(QStringLiteral("DiscusSecureMessageFolder"), DiscusSecureMessageFolder);
    if (!DiscusMainFolder.endsWith(AdminPlaceholder + QLatin1Char('/')))
        saveSetting(QStringLiteral("DiscusMainFolder"), DiscusMainFolder);
}

void ConvertController::txtphpBB3OutputFolder_LostFocus()
{
    const QString text = view.text(QStringLiteral("txtphpBB3OutputFolder"));
    if (text.trimmed().isEmpty()) {
        view.messageBox(QStringLiteral("phpBB3 Output Folder Must Be Filled In"));
        return;
    }
    phpBB3OutputFolder = m_gen.FixPath(text);
    phpBB3AttachmentsFolder = phpBB3OutputFolder + QStringLiteral("Attachments/");
    view.setText(QStringLiteral("txtphpBB3AttachmentsFolder"), phpBB3AttachmentsFolder);
    saveSetting(QStringLiteral("phpBB3_OutputFolder"), text);
    saveSetting(QStringLiteral("phpBB3_AttachmentsFolder"), phpBB3AttachmentsFolder);
}

void ConvertController::txtDiscusWebsite_LostFocus()
{
    const QString text = RemoveTrailingSlash(view.text(QStringLiteral("txtDiscusWebsite")));
    view.setText(QStringLiteral("txtDiscusWebsite"), text);
    saveSetting(QStringLiteral("DiscusWebsite"), text);
}

void ConvertController::txtphpBB3ForumAddr_LostFocus()
{
    const QString text = RemoveTrailingSlash(view.text(QStringLiteral("txtphpBB3ForumAddr")));
    view.setText(QStringLiteral("txtphpBB3ForumAddr"), text);
    saveSetting(QStringLiteral("phpBB3ForumAddr"), text);
}

void ConvertController::txtSplitMBSize_LostFocus()
{
    saveSetting(QStringLiteral("SplitMBSize"), view.text(QStringLiteral("txtSplitMBSize")));
}

void ConvertController::txtDefaultAdmin_LostFocus()
{
    const QString text = view.text(QStringLiteral("txtDefaultAdmin"));
    phpBB3DefaultAdmin = EncodeSpecialCharacters(text.trimmed());
    if (phpBB3DefaultAdmin.isEmpty()) {
        view.messageBox(QStringLiteral("Default Admin of your phpBB3 database must be filled in"));
        view.setFocus(QStringLiteral("txtDefaultAdmin"));
        return;
    }
    saveSetting(QStringLiteral("phpBB3_Admin"), text);
}

void ConvertController::txtDefaultUsers_LostFocus()
{
    phpBB3DefaultUsers = leadingCount(view.text(QStringLiteral("txtDefaultUsers")));
    if (phpBB3DefaultUsers == 0) {
        view.messageBox(QStringLiteral("Total Default Users of your phpBB3 database must be filled in"));
        view.setFocus(QStringLiteral("txtDefaultUsers"));
        return;
    }
    if (!CountWithinLimit(phpBB3DefaultUsers)) {
        view.messageBox(CountTooLargeMessage(QStringLiteral("Users")));
        view.setFocus(QStringLiteral("txtDefaultUsers"));
        return;
    }
    saveSetting(QStringLiteral("phpBB3_Users"), QString::number(phpBB3DefaultUsers));
}

void ConvertController::txtDefaultGroups_LostFocus()
{
    phpBB3DefaultGroups = leadingCount(view.text(QStringLiteral("txtDefaultGroups")));
    if (phpBB3DefaultGroups == 0) {
        view.messageBox(QStringLiteral("Total Default Groups of your phpBB3 database must be filled in"));
        view.setFocus(QStringLiteral("txtDefaultGroups"));
        return;
    }
    if (!CountWithinLimit(phpBB3DefaultGroups)) {
        view.messageBox(CountTooLargeMessage(QStringLiteral("Groups")));
        view.setFocus(QStringLiteral("txtDefaultGroups"));
        return;
    }
    saveSetting(QStringLiteral("phpBB3_Groups"), QString::number(phpBB3DefaultGroups));
}

void ConvertController::cmdBrowseRoot_Click()
{
    const QString folder = view.browseFolder(view.text(QStringLiteral("txtDiscusRootFolder")));
    if (folder.isEmpty())
        return;
    view.setText(QStringLiteral("txtDiscusRootFolder"), folder);
    txtDiscusRootFolder_LostFocus();
}

void ConvertController::cmdBrowseOutput_Click()
{
    const QString folder = view.browseFolder(view.text(QStringLiteral("txtphpBB3OutputFolder")));
    if (folder.isEmpty())
        return;
    view.setText(QStringLiteral("txtphpBB3OutputFolder"), folder);
    // The field's own handling first: the choice is kept and the attachments field follows
    // it even when the Discus folders are not ready yet.
    txtphpBB3OutputFolder_LostFocus();
    SetupFolderLocations();
}

void ConvertController::cmdHelp_Click()
{
    const QString guide = userGuidePath();
    if (QFileInfo(guide).isFile())
        view.openDocument(guide);
    else
        view.messageBox(QStringLiteral("The user guide was not found. It belongs here:") + CrLf + CrLf + native(guide));
}

void ConvertController::checkBox_Click(const QString &control)
{
    static const struct {
        const char *control;
        const char *key;
        bool ConvertController::*flag;
    } boxes[] = {
        {"chkShowProgress", "Display", &ConvertController::ShowProgress},
        {"chkLogProgress", "Log", &ConvertController::LogProgress},
        {"chkCreateAttachments", "CreateAttachments", &ConvertController::CreateAttachments},
        {"chkCreateHiddenTopics", "CreateHiddenTopics", &ConvertController::CreateHiddenTopics},
        {"chkCreateRedirectionFiles", "CreateRedirectionFiles", &ConvertController::CreateRedirectionFiles},
        {"chkFindDiscusSpecialCharacters", "FindDiscusSpecialCharacters", &ConvertController::FindDiscusSpecialCharacters},
        {"chkConvertAllFormatting", "ConvertAllFormatting", &ConvertController::ConvertAllFormatting},
    };
    for (const auto &box : boxes) {
        if (control != QLatin1String(box.control))
            continue;
        const bool checked = view.isChecked(control);
        saveSetting(QLatin1String(box.key), checked ? QStringLiteral("1") : QStringLiteral("0"));
        this->*box.flag = checked;
        return;
    }
}

void ConvertController::cboPhpBB3Version_Click()
{
    const QString before = phpBB3Version;
    phpBB3Version = phpBBTargetVersion(view.text(QStringLiteral("cboPhpBB3Version")));
    saveSetting(QStringLiteral("phpBB3Version"), phpBB3Version);
    // The users field follows the release while it holds the other release's default; a
    // number the user typed stays.
    const QString other = QString::number(defaultUsersFor(phpBB3Version == QLatin1String("3.2") ? QStringLiteral("3.3") : QStringLiteral("3.2")));
    if (before != phpBB3Version && view.text(QStringLiteral("txtDefaultUsers")).trimmed() == other) {
        view.setText(QStringLiteral("txtDefaultUsers"), QString::number(defaultUsersFor(phpBB3Version)));
        txtDefaultUsers_LostFocus();
    }
}

void ConvertController::txtImportPartMBSize_LostFocus()
{
    // Megabytes, fractions allowed; what is not a size goes back to the default.
    bool ok = false;
    const QString text = view.text(QStringLiteral("txtImportPartMBSize")).trimmed();
    const double mb = QLocale::c().toDouble(text, &ok);
    ImportPartMBSize = ok && std::isfinite(mb) && mb >= 0 ? mb : 8;
    const QString shown = ok && std::isfinite(mb) && mb >= 0 ? text : QStringLiteral("8");
    view.setText(QStringLiteral("txtImportPartMBSize"), shown);
    saveSetting(QStringLiteral("ImportPartMBSize"), shown);
}

void ConvertController::SetupFolderLocations()
{
    StopConversion = true;
    Trap(QStringLiteral("SetupFolderLocations()"), [&] {
        struct Source {
            QString *folder;
            const char *empty;
            const char *missing;
        };
        const Source sources[] = {
            {&DiscusRootFolder, "Source of your Discus Root Folder must be filled in", " - Discus Root Folder Must Exist"},
            {&DiscusMessageFolder, "Source of your Discus mMssage Folder must be filled in", " - Discus Message Folder Must Exist"},
            {&DiscusSecureMessageFolder, "Source of your Discus Secure Message Folder must be filled in", " - Discus Secure Message Folder Must Exist"},
        };
        for (const Source &s : sources) {
            if (s.folder->trimmed().isEmpty()) {
                view.messageBox(QLatin1String(s.empty));
                return;
            }
            *s.folder = m_gen.FixPath(*s.folder);
            if (!isFolder(*s.folder)) {
                view.messageBox(native(*s.folder) + QLatin1String(s.missing) + CrLf);
                return;
            }
        }
        saveSetting(QStringLiteral("DiscusRootFolder"), DiscusRootFolder);
        saveSetting(QStringLiteral("DiscusMessageFolder"), DiscusMessageFolder);
        saveSetting(QStringLiteral("DiscusSecureMessageFolder"), DiscusSecureMessageFolder);
        saveSetting(QStringLiteral("DiscusMainFolder"), DiscusMainFolder);

        phpBB3OutputFolder = m_gen.FixPath(view.text(QStringLiteral("txtphpBB3OutputFolder")));
        if (phpBB3OutputFolder.isEmpty()) {
            view.messageBox(QStringLiteral("phpBB3 Output Folder Must Be Filled In"));
            return;
        }

        if (isFolder(phpBB3OutputFolder)) {
            // The folder is deleted whole: only a folder that holds nothing but the
            // converter's own output may go.
            QString foreign;
            if (!outputFolderIsOurs(phpBB3OutputFolder, &foreign)) {
                view.messageBox(QStringLiteral("The output folder ") + native(phpBB3OutputFolder)
                                + QStringLiteral(" holds other files (for example \"") + foreign
                                + QStringLiteral("\"), so it cannot be emptied for the conversion.") + CrLf + CrLf
                                + QStringLiteral("Nothing has been deleted. Please choose an empty folder, or one that "
                                                 "holds only the output of an earlier conversion."));
                return;
            }
            DisplayInfo(QStringLiteral("Deleting Output Folders & Files - ") + native(phpBB3OutputFolder) + CrLf
                            + QStringLiteral("Please Wait...") + CrLf + CrLf,
                        true, true);
            if (!deleteFolder(phpBB3OutputFolder)) {
                const QString text = QStringLiteral("Files are open in ") + native(phpBB3OutputFolder)
                    + QStringLiteral(" - Please close them then restart the conversion");
                DisplayInfo(text, true, true);
                view.messageBox(text);
                return;
            }
        }
        m_gen.CreateFolders(phpBB3OutputFolder);

        phpBB3AttachmentsFolder = phpBB3OutputFolder + QStringLiteral("Attachments/");
        view.setText(QStringLiteral("txtphpBB3AttachmentsFolder"), phpBB3AttachmentsFolder);
        if (!isFolder(phpBB3AttachmentsFolder))
            m_gen.CreateFolders(phpBB3AttachmentsFolder);

        saveSetting(QStringLiteral("phpBB3_OutputFolder"), phpBB3OutputFolder);
        saveSetting(QStringLiteral("phpBB3_AttachmentsFolder"), phpBB3AttachmentsFolder);
        // Before the first run these are still empty: an empty write would remove the
        // addresses the fields saved, so only known addresses are written.
        if (!DiscusWebsite.isEmpty())
            saveSetting(QStringLiteral("DiscusWebSite"), DiscusWebsite);
        if (!phpBB3ForumAddr.isEmpty())
            saveSetting(QStringLiteral("phpBB3_ForumAddr"), phpBB3ForumAddr);

        RedirectFolder = phpBB3OutputFolder + QStringLiteral("redirect/discus/messages/");
        DisplayInfo(QStringLiteral("Deleting Redirection Folders & Files - ") + native(RedirectFolder) + CrLf
                        + QStringLiteral("Please Wait...") + CrLf + CrLf,
                    true, true);
        if (isFolder(RedirectFolder))
            deleteFolder(RedirectFolder);
        if (isFolder(RedirectFolder)) {
            view.messageBox(QStringLiteral("Cannot delete ") + native(RedirectFolder));
            return;
        }
        m_gen.CreateFolders(RedirectFolder);
        // A folder that could not be created would only fail later, in the middle of the run.
        if (!isFolder(RedirectFolder) || !isFolder(phpBB3AttachmentsFolder)) {
            view.messageBox(QStringLiteral("Cannot create ") + native(isFolder(phpBB3AttachmentsFolder) ? RedirectFolder : phpBB3AttachmentsFolder));
            return;
        }
        StopConversion = false;
    });
}

QString ConvertController::DetectDiscusCharset()
{
    QString charset = DiscusCharset;
    const QString page = FindTheFile(view.text(QStringLiteral("txtDiscusMessageFolder")), QStringLiteral(".html"));
    if (!page.isEmpty() && m_gen.FileExists(page)) {
        QString text;
        GetFileDataANSI(*this, page, text);
        static const QString marker = QStringLiteral("text/html; charset=");
        const int at = text.indexOf(marker, 0, Qt::CaseSensitive);
        charset = QStringLiteral("utf-8");
        if (at >= 0) {
            // The name runs up to the closing quote, or to the first character that
            // cannot belong to a charset name when the quote is missing.
            const int start = at + marker.size();
            int end = start;
            while (end < text.size() && isCharsetNameChar(text.at(end)))
                ++end;
            const QString name = text.mid(start, end - start).toLower();
            if (!name.isEmpty())
                charset = name;
        }
    } else if (charset.isEmpty()) {
        // No page to look at: the drop-down keeps the name the user chose.
        charset = view.text(QStringLiteral("cboCharset"));
    }
    if (!charset.isEmpty()) {
        view.setText(QStringLiteral("cboCharset"), charset);
        saveSetting(QStringLiteral("Charset"), charset);
    }
    return charset;
}

QString ConvertController::FindTheFile(const QString &startFolder, const QString &fragment)
{
    if (startFolder.trimmed().isEmpty() || !isFolder(startFolder))
        return QString();
    QSet<QString> visited;
    visited.insert(QFileInfo(startFolder).canonicalFilePath());
    return findTheFileIn(startFolder, fragment, visited);
}

QString ConvertController::RemoveTrailingSlash(const QString &text)
{
    return text.endsWith(QLatin1Char('/')) ? text.chopped(1) : text;
}

QString ConvertController::RemoveTrailingBackslash(const QString &text)
{
    return text.endsWith(QLatin1Char('\\')) ? text.chopped(1) : text;
}

QString ConvertController::userGuidePath() const
{
    return DocsFolder + QStringLiteral("Discusware 4 to phpBB3 Conversion.pdf");
}

bool ConvertController::outputFolderIsOurs(const QString &folder, QString *foreign) const
{
    // What a conversion writes at the top of its output folder.
    static const QRegularExpression ownFile(QStringLiteral(
        "^(phpBB3_.*\\.txt|InternalLinks.*\\.txt|Discus Conversion Import SQL\\.sql|Log\\.txt|LogError\\.txt|"
        "Discus Special Characters\\.txt|Conversion Report\\.html)$"));
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        bool ours;
        if (entry.isDir() && !entry.isSymLink())
            ours = name.compare(QLatin1String("attachments"), Qt::CaseInsensitive) == 0 || name == QLatin1String("redirect")
                || name == QLatin1String("SQL for phpMyAdmin");
        else
            ours = entry.isFile() && ownFile.match(name).hasMatch();
        if (!ours) {
            if (foreign)
                *foreign = name;
            return false;
        }
    }
    return true;
}

QString ConvertController::adminFolderFor(const QString &root) const
{
    // A real installation names its admin folder "discus_admin_" + its own number; when
    // the root holds exactly one such folder, that is the one.
    static const QRegularExpression adminName(QStringLiteral("^discus_admin_[0-9]+$"));
    const QStringList subs = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    QString found;
    int count = 0;
    for (const QString &name : subs) {
        if (adminName.match(name).hasMatch()) {
            found = name;
            ++count;
        }
    }
    return root + (count == 1 ? found : AdminPlaceholder) + QLatin1Char('/');
}
