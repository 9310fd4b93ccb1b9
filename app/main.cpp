// Quillbridge: the window (default) or one conversion in batch mode.
//   quillbridge [--settings FILE]
//   quillbridge --convert [--settings FILE] [--set Key=Value]...
#include "convert/BatchView.h"
#include "convert/ConvertController.h"
#include "convert/SettingsKeys.h"
#include "convert/frmConvert.h"
#include "convert/frmOptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

namespace {

enum ExitCode { Completed = 0, Stopped = 1, BadArguments = 2 };

QString programFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
}

// quillbridge.ini beside the program when it is there already or that folder is writable
// (a copy run from its own folder); otherwise the user's own configuration folder, so an
// installed program works and every user of the machine keeps their own settings.
QString defaultSettingsFile()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".ini");
    const QString beside = programFolder() + name;
    if (QFileInfo::exists(beside) || QFileInfo(QCoreApplication::applicationDirPath()).isWritable())
        return beside;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return config + QStringLiteral("/quillbridge.ini");
}

// The Docs folder beside the program, else the installed one.
QString docsFolder()
{
    const QString beside = programFolder() + QStringLiteral("Docs/");
    if (QFileInfo(beside).isDir())
        return beside;
    return QDir::cleanPath(programFolder() + QStringLiteral("../share/quillbridge/Docs")) + QLatin1Char('/');
}

// The field handlers --set runs after editing a field, exactly as leaving the field in the
// window would.
const QHash<QString, void (ConvertController::*)()> &lostFocusHandlers()
{
    static const QHash<QString, void (ConvertController::*)()> handlers = {
        {QStringLiteral("txtDiscusRootFolder"), &ConvertController::txtDiscusRootFolder_LostFocus},
        {QStringLiteral("txtphpBB3OutputFolder"), &ConvertController::txtphpBB3OutputFolder_LostFocus},
        {QStringLiteral("txtDiscusWebsite"), &ConvertController::txtDiscusWebsite_LostFocus},
        {QStringLiteral("txtphpBB3ForumAddr"), &ConvertController::txtphpBB3ForumAddr_LostFocus},
        {QStringLiteral("txtSplitMBSize"), &ConvertController::txtSplitMBSize_LostFocus},
        {QStringLiteral("txtDefaultAdmin"), &ConvertController::txtDefaultAdmin_LostFocus},
        {QStringLiteral("txtDefaultUsers"), &ConvertController::txtDefaultUsers_LostFocus},
        {QStringLiteral("txtDefaultGroups"), &ConvertController::txtDefaultGroups_LostFocus},
    };
    return handlers;
}

QString helpText(const QString &program, const QString &settingsFile)
{
    QString t;
    QTextStream out(&t);
    out << "Usage: " << program << " [--settings FILE]\n"
        << "       " << program << " --convert [--settings FILE] [--set Key=Value]...\n"
        << "       " << program << " --help | --version\n\n"
        << "Converts a Discus discussion board into phpBB3 import files and one SQL script that\n"
        << "loads them. Without --convert the window opens.\n\n"
        << "Options:\n"
        << "  --convert          run one conversion without a window, with the saved settings\n"
        << "  --settings FILE    use this settings file (default: " << settingsFile << ")\n"
        << "  --set Key=Value    set a settings key for this run (repeatable); the values are\n"
        << "                     saved once the run's checks have passed\n"
        << "  -h, --help         show this help\n"
        << "  -v, --version      show the version\n\n"
        << "Settings keys (section [Settings] of the settings file):\n";
    for (const SettingKey &k : settingKeys()) {
        out << "  " << QString::fromLatin1(k.key).leftJustified(28) << QString::fromUtf8(k.meaning) << "\n"
            << "  " << QString(28, QLatin1Char(' ')) << "default: "
            << (*k.def ? QString::fromUtf8(k.def) : QStringLiteral("(empty)")) << "\n";
    }
    out << "\nExit codes:\n"
        << "  0  the conversion completed\n"
        << "  1  the conversion was refused (a setting failed its check), cancelled (Ctrl+C) or\n"
        << "     stopped by an error; the message is on stderr\n"
        << "  2  bad arguments: an unknown option or settings key, or a bad --set value\n\n"
        << "Progress goes to stdout (on a terminal, a progress line on stderr too); messages\n"
        << "and the final report go to stderr.\n";
    return t;
}

// The settings file as it was before the run, put back when the run is refused so that
// --set values are kept only for a run that passed its checks.
struct SettingsSnapshot {
    explicit SettingsSnapshot(const QString &path) : path(path)
    {
        QFile f(path);
        existed = f.open(QIODevice::ReadOnly);
        if (existed)
            bytes = f.readAll();
    }
    void restore() const
    {
        if (!existed) {
            QFile::remove(path);
            return;
        }
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }
    QString path;
    QByteArray bytes;
    bool existed = false;
};

int runBatch(const QString &settingsFile, const QStringList &assignments)
{
    QTextStream err(stderr);
    QList<QPair<const SettingKey *, QString>> sets;
    for (const QString &a : assignments) {
        const int eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            err << "quillbridge: --set expects Key=Value, got \"" << a << "\"\n";
            return BadArguments;
        }
        const QString key = a.left(eq).trimmed();
        const QString value = a.mid(eq + 1);
        const SettingKey *known = findSettingKey(key);
        if (!known) {
            err << "quillbridge: unknown settings key \"" << key << "\"; did you mean \"" << closestSettingKey(key)
                << "\"? (--help lists the keys)\n";
            return BadArguments;
        }
        // The target phpBB release is a choice of the options dialog's drop-down.
        if (qstrcmp(known->key, "phpBB3Version") == 0 && value.trimmed() != QLatin1String("3.3")
            && value.trimmed() != QLatin1String("3.2")) {
            err << "quillbridge: phpBB3Version must be 3.3 or 3.2, got \"" << value << "\"\n";
            return BadArguments;
        }
        if (const CountField *count = findCountField(QLatin1String(known->key))) {
            const QString problem = checkCountField(*count, value);
            if (!problem.isEmpty()) {
                err << "quillbridge: --set " << known->key << ": " << problem << "\n";
                return BadArguments;
            }
        }
        sets.append({known, value});
    }

    const SettingsSnapshot before(settingsFile);
    BatchView view;
    ConvertController ctl(view, settingsFile, programFolder());
    ctl.DocsFolder = docsFolder();
    view.setController(&ctl);
    BatchView::installInterruptHandler();

    // Keys without a control are stored before start-up reads the settings.
    for (const auto &s : sets)
        if (s.first->kind == SettingKind::Stored)
            ctl.saveSetting(QLatin1String(s.first->key), s.second);
    ctl.FormLoad();
    for (const auto &s : sets) {
        const QString control = QLatin1String(s.first->control);
        switch (s.first->kind) {
        case SettingKind::Field:
            view.setText(control, s.second);
            if (const auto handler = lostFocusHandlers().value(control))
                (ctl.*handler)();
            break;
        case SettingKind::CheckBox:
            view.setChecked(control, s.second.trimmed() != QLatin1String("0"));
            ctl.checkBox_Click(control);
            break;
        case SettingKind::Choice:
            view.setText(control, s.second.trimmed());
            if (control == QLatin1String("cboCharset")) {
                // A charset named on the command line is the user's choice: the pages are
                // not asked for theirs.
                ctl.DiscusCharset = s.second.trimmed();
                ctl.saveSetting(QStringLiteral("Charset"), ctl.DiscusCharset);
            } else if (control == QLatin1String("cboPhpBB3Version")) {
                ctl.cboPhpBB3Version_Click();
            }
            break;
        case SettingKind::Stored:
            break;
        }
    }

    ctl.cmdConvert_Click();
    if (ctl.LastRunResult == ConvertController::RunResult::NotStarted)
        before.restore();
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
        QCoreApplication app(argc, argv);
        const QString settingsFile = parser.isSet(settingsOption) ? parser.value(settingsOption) : defaultSettingsFile();
        QTextStream(stdout) << helpText(QFileInfo(app.applicationFilePath()).fileName(), settingsFile);
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
