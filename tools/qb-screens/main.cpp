// qb-screens: takes the user guide's pictures of the real windows, offscreen.
//   qb-screens OUTPUT_FOLDER [SAMPLE_ROOT DOCS_FOLDER]
// Writes into OUTPUT_FOLDER:
//   main-window.png   the main window with the settings of a typical conversion
//   options.png       the options dialog
//   after-run.png     the main window after converting SAMPLE_ROOT (the bundled sample
//                     board), with the progress area, message count and processed folders
// Everything runs with a temporary settings file; nothing outside the temporary folder and
// OUTPUT_FOLDER is written. Message boxes are answered at once (kkDialogs hooks).
#include "convert/ConvertController.h"
#include "convert/frmConvert.h"
#include "convert/frmOptions.h"
#include "routines/kkDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

#include <cstdio>

namespace {

bool writeSettings(const QString &path, const QList<QPair<QString, QString>> &values)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "[Settings]\r\n";
    for (const auto &v : values)
        out << v.first << '=' << v.second << "\r\n";
    return true;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

bool save(QWidget *w, const QString &path)
{
    settle();
    const QPixmap shot = w->grab();
    if (shot.isNull() || !shot.save(path, "PNG")) {
        QTextStream(stderr) << "qb-screens: cannot write " << path << "\n";
        return false;
    }
    return true;
}

// The window a guide reader sees: a fixed size so the pictures do not move between builds.
void place(frmConvert &w)
{
    w.resize(QSize(860, 660).expandedTo(w.minimumSizeHint()));
    w.show();
    settle();
}

} // namespace

int main(int argc, char **argv)
{
    // Sharp pictures: the windows are drawn at twice their size; the guide prints them at
    // their normal size.
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbridge"));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    const QStringList args = app.arguments();
    if (args.size() != 2 && args.size() != 4) {
        QTextStream(stderr) << "usage: qb-screens OUTPUT_FOLDER [SAMPLE_ROOT DOCS_FOLDER]\n";
        return 2;
    }
    const QString outDir = args.at(1);
    if (!QDir().mkpath(outDir)) {
        QTextStream(stderr) << "qb-screens: cannot create " << outDir << "\n";
        return 1;
    }
    QTemporaryDir tmp;
    if (!tmp.isValid())
        return 1;
    kkDialogs::setDefaultAnswer(kkDialogs::Ok);
    bool ok = true;

    // 1. The window as an administrator fills it in.
    {
        const QString base = QStringLiteral("/home/admin/Discusware/");
        const QString settings = tmp.filePath(QStringLiteral("main.ini"));
        writeSettings(settings, {
            {QStringLiteral("DiscusRootFolder"), base},
            {QStringLiteral("DiscusMessageFolder"), base + QStringLiteral("discus/messages/")},
            {QStringLiteral("DiscusSecureMessageFolder"), base + QStringLiteral("discus_admin_1234567890/secure/")},
            {QStringLiteral("DiscusMainFolder"), base + QStringLiteral("discus_admin_1234567890/")},
            {QStringLiteral("phpBB3_OutputFolder"), base + QStringLiteral("phpBB3/Output/")},
            {QStringLiteral("phpBB3_AttachmentsFolder"), base + QStringLiteral("phpBB3/Output/Attachments/")},
            {QStringLiteral("DiscusWebsite"), QStringLiteral("http://www.kestrel-valley-birders.example")},
            {QStringLiteral("phpBB3ForumAddr"), QStringLiteral("http://forum.kestrel-valley-birders.example")},
            {QStringLiteral("SplitMBSize"), QStringLiteral("50")},
            {QStringLiteral("phpBB3_Admin"), QStringLiteral("admin")},
            {QStringLiteral("phpBB3_Users"), QStringLiteral("57")},
            {QStringLiteral("phpBB3_Groups"), QStringLiteral("7")},
            {QStringLiteral("Charset"), QStringLiteral("utf-8")},
        });
        frmConvert w(settings, tmp.path());
        place(w);
        ok &= save(&w, outDir + QStringLiteral("/main-window.png"));

        // 2. The options dialog, as the menu shows it.
        frmOptions *options = w.options();
        options->show();
        ok &= save(options, outDir + QStringLiteral("/options.png"));
        options->hide();
        w.close();
    }

    // 3. The window after a conversion of the bundled sample board.
    if (args.size() == 4) {
        const QString root = QDir(args.at(2)).absolutePath() + QLatin1Char('/');
        const QString output = tmp.filePath(QStringLiteral("Output/"));
        const QString settings = tmp.filePath(QStringLiteral("run.ini"));
        writeSettings(settings, {
            {QStringLiteral("DiscusRootFolder"), root},
            {QStringLiteral("DiscusMessageFolder"), root + QStringLiteral("discus/messages/")},
            {QStringLiteral("DiscusSecureMessageFolder"), root + QStringLiteral("discus_admin_1234567890/secure/")},
            {QStringLiteral("DiscusMainFolder"), root + QStringLiteral("discus_admin_1234567890/")},
            {QStringLiteral("phpBB3_OutputFolder"), output},
            {QStringLiteral("phpBB3_AttachmentsFolder"), output + QStringLiteral("Attachments/")},
            {QStringLiteral("DiscusWebsite"), QStringLiteral("http://www.kestrel-valley-birders.example")},
            {QStringLiteral("phpBB3ForumAddr"), QStringLiteral("http://forum.kestrel-valley-birders.example")},
            {QStringLiteral("SplitMBSize"), QStringLiteral("50")},
            {QStringLiteral("phpBB3_Admin"), QStringLiteral("admin")},
            {QStringLiteral("phpBB3_Users"), QStringLiteral("57")},
            {QStringLiteral("phpBB3_Groups"), QStringLiteral("7")},
        });
        frmConvert w(settings, tmp.path());
        w.controller().DocsFolder = QDir(args.at(3)).absolutePath() + QLatin1Char('/');
        place(w);
        w.controller().cmdConvert_Click();
        if (w.controller().LastRunResult != ConvertController::RunResult::Completed) {
            QTextStream(stderr) << "qb-screens: the sample conversion did not complete:\n"
                                << kkDialogs::shownMessages().join(QLatin1Char('\n')) << "\n";
            ok = false;
        }
        if (auto *folders = w.findChild<QComboBox *>(QStringLiteral("cboProcessedFolders")))
            folders->setCurrentIndex(folders->count() - 1);
        ok &= save(&w, outDir + QStringLiteral("/after-run.png"));
        w.close();
    }
    return ok ? 0 : 1;
}
