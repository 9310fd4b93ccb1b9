// qb-genboard: writes a synthetic Discus installation and prints what it made.
#include "boardgen/BoardGenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

struct IntOption {
    const char *name;
    const char *help;
    int qbgen::Options::*field;
};

const IntOption kIntOptions[] = {
    {"categories", "Number of categories.", &qbgen::Options::categories},
    {"boards", "Boards per category.", &qbgen::Options::boardsPerCategory},
    {"depth", "Levels of sub pages below each board page.", &qbgen::Options::depth},
    {"fanout", "Topic entries on each page above the deepest level.", &qbgen::Options::fanout},
    {"posts", "Posts on each page that carries posts.", &qbgen::Options::postsPerPage},
    {"members", "Members in User.txt.", &qbgen::Options::members},
    {"groups", "Groups used by the members.", &qbgen::Options::groups},
    {"hidden-every", "Every K-th deepest sub page is hidden (0: none).", &qbgen::Options::hiddenEvery},
    {"newest-first-every", "Every K-th page with posts lists them newest first.", &qbgen::Options::newestFirstEvery},
    {"unknown-every", "Every K-th post is by a poster not in User.txt.", &qbgen::Options::unknownEvery},
    {"mixed-every", "Every K-th page with topic entries also carries posts.", &qbgen::Options::mixedEvery},
    {"link-every", "Every K-th post links to another page.", &qbgen::Options::linkEvery},
    {"attachment-every", "Every K-th post carries an attachment.", &qbgen::Options::attachmentEvery},
    {"announcement-every", "Every K-th board page carries an announcement.", &qbgen::Options::announcementEvery},
    {"username-every", "Every K-th post by a member is signed with the user name.", &qbgen::Options::usernameEvery},
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qb-genboard"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a synthetic Discus installation (the folder to give the converter as \"Local Root\") "
        "and prints a manifest of what it made. The same options always give the same files."));
    parser.addHelpOption();
    const qbgen::Options defaults;
    QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Folder to write the installation into."),
                           QStringLiteral("DIR"));
    QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the generator."), QStringLiteral("N"),
                            QString::number(defaults.seed));
    QCommandLineOption charset(QStringLiteral("charset"), QStringLiteral("utf-8 or iso-8859-1."),
                               QStringLiteral("NAME"), defaults.charset);
    QCommandLineOption website(QStringLiteral("website"), QStringLiteral("Address of the old site."),
                               QStringLiteral("URL"), defaults.website);
    QCommandLineOption admin(QStringLiteral("admin-folder"), QStringLiteral("Name of the Discus admin folder."),
                             QStringLiteral("NAME"), defaults.adminFolder);
    QCommandLineOption start(QStringLiteral("start-time"), QStringLiteral("Unix time of the first post."),
                             QStringLiteral("T"), QString::number(defaults.startTime));
    QCommandLineOption pages(QStringLiteral("pages"), QStringLiteral("Also print one line per page."));
    QCommandLineOption manifestFile(QStringLiteral("manifest"), QStringLiteral("Also write the manifest to FILE."),
                                    QStringLiteral("FILE"));
    parser.addOptions({out, seed, charset, website, admin, start, pages, manifestFile});
    QList<QCommandLineOption> intOptions;
    for (const IntOption &o : kIntOptions) {
        intOptions << QCommandLineOption(QString::fromLatin1(o.name), QString::fromLatin1(o.help),
                                         QStringLiteral("N"), QString::number(defaults.*(o.field)));
        parser.addOption(intOptions.last());
    }
    parser.process(app);

    QTextStream err(stderr);
    if (!parser.isSet(out) || !parser.positionalArguments().isEmpty()) {
        err << "qb-genboard: --out DIR is required (see --help)\n";
        return 2;
    }
    qbgen::Options options;
    bool ok = true;
    options.seed = parser.value(seed).toULongLong(&ok);
    if (!ok) {
        err << "qb-genboard: --seed needs a whole number\n";
        return 2;
    }
    for (int i = 0; i < intOptions.size(); ++i) {
        const int value = parser.value(intOptions.at(i)).toInt(&ok);
        if (!ok || value < 0) {
            err << "qb-genboard: --" << kIntOptions[i].name << " needs a whole number of 0 or more\n";
            return 2;
        }
        options.*(kIntOptions[i].field) = value;
    }
    options.startTime = parser.value(start).toLongLong(&ok);
    if (!ok) {
        err << "qb-genboard: --start-time needs a whole number\n";
        return 2;
    }
    options.charset = parser.value(charset);
    options.website = parser.value(website);
    options.adminFolder = parser.value(admin);

    QElapsedTimer timer;
    timer.start();
    qbgen::Manifest manifest;
    QString error;
    if (!qbgen::generateBoard(options, parser.value(out), manifest, &error)) {
        err << "qb-genboard: " << error << '\n';
        return 1;
    }
    QString text = manifest.summary();
    if (parser.isSet(pages))
        text += manifest.pageLines();
    QTextStream outStream(stdout);
    outStream << text << "time: " << timer.elapsed() << " ms\n";
    if (parser.isSet(manifestFile)) {
        QFile f(parser.value(manifestFile));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write((manifest.summary() + manifest.pageLines()).toUtf8()) < 0) {
            err << "qb-genboard: cannot write " << parser.value(manifestFile) << '\n';
            return 1;
        }
    }
    return 0;
}
