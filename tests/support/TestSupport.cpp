#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>

namespace qbtest {

QString sourceDir() { return QStringLiteral(QB_SOURCE_DIR); }
QString buildDir() { return QStringLiteral(QB_BUILD_DIR); }
QString sharedDir() { return QDir::cleanPath(QStringLiteral(QB_SHARED_DIR)); }

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QString readText(const QString &path)
{
    const QByteArray bytes = readBytes(path);
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder dec(QStringDecoder::Utf16LE);
        return dec(bytes.mid(2));
    }
    return QString::fromUtf8(bytes);
}

QStringList mariaDbFields(const QString &line)
{
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = line.size();
    for (;;) {
        QString field;
        if (i < n && line.at(i) == QLatin1Char('"')) {
            ++i;
            for (;;) {
                if (i >= n)
                    break; // unterminated: the rest of the line
                if (line.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && line.at(i + 1) == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    if (i + 1 == n || line.at(i + 1) == QLatin1Char(',')) {
                        ++i;
                        break;
                    }
                }
                field += line.at(i++);
            }
        } else {
            while (i < n && line.at(i) != QLatin1Char(','))
                field += line.at(i++);
        }
        fields << field;
        if (i >= n)
            return fields;
        ++i; // the comma
    }
}

QString runBatchConversion(const QString &ini, const QStringList &sets)
{
    const QString program = qEnvironmentVariable("QB_PROGRAM", buildDir() + QStringLiteral("/quillbridge"));
    QStringList args{QStringLiteral("--convert"), QStringLiteral("--settings"), ini};
    for (const QString &set : sets)
        args << QStringLiteral("--set") << set;
    const QString stderrFile = ini + QStringLiteral(".stderr");
    QProcess p;
    p.setStandardOutputFile(ini + QStringLiteral(".stdout"));
    p.setStandardErrorFile(stderrFile);
    p.start(program, args);
    if (!p.waitForStarted(30000))
        return QStringLiteral("Cannot start %1: %2").arg(program, p.errorString());
    if (!p.waitForFinished(10 * 60 * 1000)) {
        p.kill();
        p.waitForFinished(5000);
        return QStringLiteral("The batch conversion did not finish in time");
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("quillbridge --convert exited with %1:\n%2")
            .arg(p.exitStatus() == QProcess::NormalExit ? QString::number(p.exitCode()) : QStringLiteral("a crash"),
                 QString::fromUtf8(readBytes(stderrFile)).right(3000));
    return QString();
}

} // namespace qbtest
