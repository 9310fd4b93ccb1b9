// qb-chartables: writes the special-character tables Docs/<charset>.txt, one per charset
// of the charset list, from the reference list entities.txt.
//   qb-chartables <entities.txt> <Docs folder>
#include "CharTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 3 || args.at(1).startsWith(QLatin1Char('-'))) {
        err << "usage: qb-chartables <entities.txt> <Docs folder>\n"
               "Writes <Docs folder>/<charset>.txt for every charset of the charset list.\n";
        return 2;
    }
    QFile list(args.at(1));
    if (!list.open(QIODevice::ReadOnly)) {
        err << "cannot read " << args.at(1) << ": " << list.errorString() << '\n';
        return 1;
    }
    QString error;
    const QVector<qbchartables::Reference> references = qbchartables::ParseReferences(QString::fromUtf8(list.readAll()), &error);
    if (references.isEmpty()) {
        err << args.at(1) << ": " << (error.isEmpty() ? QStringLiteral("no references") : error) << '\n';
        return 1;
    }
    const QDir docs(args.at(2));
    for (const QString &charset : qbchartables::Charsets()) {
        const QString path = docs.filePath(charset + QStringLiteral(".txt"));
        QFile out(path);
        const QByteArray bytes = qbchartables::TableBytes(charset, references);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() || !out.flush()) {
            err << "cannot write " << path << ": " << out.errorString() << '\n';
            return 1;
        }
    }
    QTextStream(stdout) << "Wrote " << qbchartables::Charsets().size() << " tables of " << references.size()
                        << " references to " << QDir::toNativeSeparators(docs.absolutePath()) << '\n';
    return 0;
}
