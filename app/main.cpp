// Quillbridge: the window (default) or one conversion in batch mode.
//   quillbridge [--settings FILE]
//   quillbridge --convert [--settings FILE] [--set Key=Value]...
#include "convert/BatchView.h"
#include "convert/ConvertController.h"
#include "convert/frmConvert.h"
#include "convert/frmOptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

namespace {

enum ExitCode { Completed = 0, Stopped = 1, BadArguments = 2 };

QString programFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
}

// quillbridge.ini beside the program when that folder is writable, else in the user's
// configuration folder.
QString defaultSettingsFile()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".ini");
    const QFileInfo dir(QCoreApplication::applicationDirPath());
    if (dir.isWritable())
        return programFolder() + name;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/quillbridge/") + name;
}

// The Docs folder beside the program, else the installed one.
QString docsFolder()
{
    const QString beside = programFolder() + QStringLiteral("Docs/");
    if (QFileInfo(beside).isDir())
        return beside;
    return QDir::cleanPath(programFolder() + QStringLiteral("../share/quillbridge/Docs")) + QLatin1Char('/');
}

struct FieldKey {
    const char *key;
    const char *control;
    void (ConvertController::*lostFocus)();
};

// Settings keys that belong to a field of the window: --set edits the field and runs its
// lost-focus handling, exactly as typing into the window would.
const FieldKey fieldKeys[] = {
    {"DiscusRootFolder", "txtDiscusRootFolder", &ConvertController::txtDiscusRootFolder_LostFocus},
    {"phpBB3_OutputFolder", "txtphpBB3OutputFolder", &ConvertController::txtphpBB3OutputFolder_LostFocus},
    {"DiscusWebsite", "txtDiscusWebsite", &ConvertController::txtDiscusWebsite_LostFocus},
    {"phpBB3ForumAddr", "txtphpBB3ForumAddr", &ConvertController::txtphpBB3ForumAddr_LostFocus},
    {"SplitMBSize", "txtSplitMBSize", &ConvertController::txtSplitMBSize_LostFocus},
    {"phpBB3_Admin", "txtDefaultAdmin", &ConvertController::txtDefaultAdmin_LostFocus},
    {"phpBB3_Users", "txtDefaultUsers", &ConvertController::txtDefaultUsers_LostFocus},
    {"phpBB3_Groups", "txtDefaultGroups", &ConvertController::txtDefaultGroups_LostFocus},
};

const struct {
    const char *key;
    const char *control;
} checkKeys[] = {
    {"Display", "chkShowProgress"},
    {"Log", "chkLogProgress"},
    {"CreateAttachments", "chkCreateAttachments"},
    {"CreateHiddenTopics", "chkCreateHiddenTopics"},
    {"CreateRedirectionFiles", "chkCreateRedirectionFiles"},
    {"FindDiscusSpecialCharacters", "chkFindDiscusSpecialCharacters"},
    {"ConvertAllFormatting", "chkConvertAllFormatting"},
};

int runBatch(const QString &settingsFile, const QStringList &assignments)
{
    QTextStream err(stderr);
    QList<QPair<QString, QString>> sets;
    for (const QString &a : assignments) {
        const int eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            err << "quillbridge: --set expects Key=Value, got \"" << a << "\"\n";
            return BadArguments;
        }
        sets.append({a.left(eq).trimmed(), a.mid(eq + 1)});
        // The target phpBB release is a choice of the options dialog's drop-down.
        if (sets.last().first.compare(QLatin1String("phpBB3Version"), Qt::CaseInsensitive) == 0
            && sets.last().second.trimmed() != QLatin1String("3.3") && sets.last().second.trimmed() != QLatin1String("3.2")) {
            err << "quillbridge: phpBB3Version must be 3.3 or 3.2, got \"" << sets.last().second << "\"\n";
            return BadArguments;
        }
    }

    BatchView view;
    ConvertController ctl(view, settingsFile, programFolder());
    ctl.DocsFolder = docsFolder();
    view.setController(&ctl);
    BatchView::installInterruptHandler();

    // Keys without a field are stored before start-up reads the settings.
    for (const auto &s : sets) {
        bool field = false;
        for (const FieldKey &f : fieldKeys)
            field |= s.first.compare(QLatin1String(f.key), Qt::CaseInsensitive) == 0;
        for (const auto &c : checkKeys)
            field |= s.first.compare(QLatin1String(c.key), Qt::CaseInsensitive) == 0;
        field |= s.first.compare(QLatin1String("phpBB3Version"), Qt::CaseInsensitive) == 0;
        if (!field)
            ctl.saveSetting(s.first, s.second);
    }
    ctl.FormLoad();
    for (const auto &s : sets) {
        for (const FieldKey &f : fieldKeys)
            if (s.first.compare(QLatin1String(f.key), Qt::CaseInsensitive) == 0) {
                view.setText(QLatin1String(f.control), s.second);
                (ctl.*f.lostFocus)();
            }
        for (const auto &c : checkKeys)
            if (s.first.compare(QLatin1String(c.key), Qt::CaseInsensitive) == 0) {
                view.setChecked(QLatin1String(c.control), s.second.trimmed() != QLatin1String("0"));
                ctl.checkBox_Click(QLatin1String(c.control));
            }
        if (s.first.compare(QLatin1String("Charset"), Qt::CaseInsensitive) == 0) {
            // A charset named on the command line is the user's choice: the pages are
            // not asked for theirs.
            view.setText(QStringLiteral("cboCharset"), s.second.trimmed());
            ctl.DiscusCharset = s.second.trimmed();
        }
        if (s.first.compare(QLatin1String("phpBB3Version"), Qt::CaseInsensitive) == 0) {
            view.setText(QStringLiteral("cboPhpBB3Version"), s.second.trimmed());
            ctl.cboPhpBB3Version_Click();
        }
    }

    ctl.cmdConvert_Click();
    return ctl.LastRunResult == ConvertController::RunResult::Completed ? Completed : Stopped;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // The arguments are checked before any application object exists, so a mistake never
    // needs a display.
    QCoreApplication::setApplicationName(QStringLiteral("Quillbridge"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QB_VERSION_TEXT));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Converts a Discus discussion board into phpBB3 import files."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption convertOption(QStringLiteral("convert"),
                                           QStringLiteral("Run one conversion without a window, with the saved settings."));
    const QCommandLineOption settingsOption(QStringLiteral("settings"), QStringLiteral("Use this settings file."),
                                            QStringLiteral("file"));
    const QCommandLineOption setOption(QStringLiteral("set"),
                                       QStringLiteral("Set a settings key for this run and save it (repeatable)."),
                                       QStringLiteral("Key=Value"));
    parser.addOptions({convertOption, settingsOption, setOption});
    if (!parser.parse(arguments)) {
        QTextStream(stderr) << "quillbridge: " << parser.errorText() << "\n";
        return BadArguments;
    }
    if (parser.isSet(helpOption)) {
        QTextStream(stdout) << parser.helpText();
        return Completed;
    }
    if (parser.isSet(versionOption)) {
        QTextStream(stdout) << "quillbridge " << QCoreApplication::applicationVersion() << "\n";
        return Completed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        QTextStream(stderr) << "quillbridge: unexpected argument " << parser.positionalArguments().first() << "\n";
        return BadArguments;
    }
    if (!parser.isSet(convertOption) && parser.isSet(setOption)) {
        QTextStream(stderr) << "quillbridge: --set needs --convert\n";
        return BadArguments;
    }

    if (parser.isSet(convertOption)) {
        QCoreApplication app(argc, argv);
        const QString settingsFile = parser.isSet(settingsOption)
                                         ? QFileInfo(parser.value(settingsOption)).absoluteFilePath()
                                         : defaultSettingsFile();
        return runBatch(settingsFile, parser.values(setOption));
    }

    QApplication app(argc, argv);
    const QString settingsFile = parser.isSet(settingsOption) ? QFileInfo(parser.value(settingsOption)).absoluteFilePath()
                                                              : defaultSettingsFile();
    frmConvert window(settingsFile, programFolder());
    window.controller().DocsFolder = docsFolder();
    window.show();
    return app.exec();
}
