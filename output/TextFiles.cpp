// Whole text files in a named character set through ICU converters, and the local path
// of a Discus page link.
#include "output/TextFiles.h"

#include "output/SpecialCharacters.h"
#include "output/TextCleaning.h"
#include "run/BackgroundWork.h"
#include "run/ConversionRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <unicode/ucnv.h>

namespace {

// Opened converters by charset name. Every page is decoded, so a converter is opened once
// per thread and reset before each use.
class ConverterCache {
public:
    ~ConverterCache()
    {
        for (UConverter *c : std::as_const(m_open))
            ucnv_close(c);
    }
    UConverter *get(const QString &charset)
    {
        const QString key = charset.trimmed().toLower();
        if (UConverter *c = m_open.value(key)) {
            ucnv_reset(c);
            return c;
        }
        UConverter *c = nullptr;
        // An empty name would give ICU's default converter: never a silent fallback.
        bool ascii = !key.isEmpty();
        for (const QChar ch : key)
            ascii = ascii && ch.unicode() > 32 && ch.unicode() < 127;
        if (ascii) {
            UErrorCode err = U_ZERO_ERROR;
            c = ucnv_open(key.toLatin1().constData(), &err);
            if (U_FAILURE(err)) {
                if (c)
                    ucnv_close(c);
                c = nullptr;
            }
        }
        if (!c)
            throw QbError(QbErrNo::InvalidArgument, QStringLiteral("Unknown character set - ") + charset);
        m_open.insert(key, c);
        return c;
    }

private:
    QHash<QString, UConverter *> m_open;
};

UConverter *converterFor(const QString &charset)
{
    thread_local ConverterCache cache;
    return cache.get(charset);
}

[[noreturn]] void conversionFailed(const QString &charset, UErrorCode err)
{
    throw QbError(QbErrNo::InvalidArgument,
                  QStringLiteral("Character set conversion failed - ") + charset + QStringLiteral(" (")
                      + QString::fromLatin1(u_errorName(err)) + QLatin1Char(')'));
}

QByteArray encodeWith(const QString &text, const QString &charset, bool htmlReferences)
{
    if (text.isEmpty())
        return QByteArray();
    UConverter *cnv = converterFor(charset);
    UErrorCode err = U_ZERO_ERROR;
    if (htmlReferences)
        ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_ESCAPE, UCNV_ESCAPE_XML_DEC, nullptr, nullptr, &err);
    else
        ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &err);
    if (U_FAILURE(err))
        conversionFailed(charset, err);

    const UChar *src = reinterpret_cast<const UChar *>(text.utf16());
    const UChar *srcEnd = src + text.size();
    QByteArray out;
    out.resize(text.size() + text.size() / 2 + 16);
    qsizetype written = 0;
    for (;;) {
        char *target = out.data() + written;
        err = U_ZERO_ERROR;
        ucnv_fromUnicode(cnv, &target, out.data() + out.size(), &src, srcEnd, nullptr, true, &err);
        written = target - out.data();
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(err))
            conversionFailed(charset, err);
        break;
    }
    out.truncate(written);
    return out;
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The whole file; errors carry the classic numbers.
QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QFileInfo info(path);
        if (!info.exists())
            throw QbError(QbErrNo::FileNotFound, QStringLiteral("File not found"));
        if (info.isDir())
            throw QbError(QbErrNo::PathFileAccess, QStringLiteral("Path/File access error - the path is a folder"));
        if (file.error() == QFileDevice::PermissionsError)
            throw QbError(QbErrNo::PermissionDenied, QStringLiteral("Permission denied"));
        throw QbError(QbErrNo::PathFileAccess, QStringLiteral("Path/File access error - ") + file.errorString());
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw QbError(QbErrNo::FileIO, QStringLiteral("Device I/O error - ") + file.errorString());
    return bytes;
}

// Takes every NUL character out, in one pass from the first one (most texts hold none).
void removeNulCharacters(QString &text)
{
    const qsizetype first = text.indexOf(QChar(0));
    if (first < 0)
        return;
    char16_t *d = reinterpret_cast<char16_t *>(text.data());
    qsizetype kept = first;
    for (qsizetype i = first + 1; i < text.size(); ++i)
        if (d[i] != 0)
            d[kept++] = d[i];
    text.truncate(kept);
}

// run is the run whose special-sequence scan the text passes (none: no scan).
bool readFile(RunHost &host, ConversionRun *run, const QString &label, const QString &path, QString &text,
              const QString &charset, bool scanSpecial)
{
    text.clear();
    return host.Trap(label + QStringLiteral(" - ") + nativePath(path), [&] {
        QString decoded = DecodeCharset(readWholeFile(path), charset);
        // A byte-order mark written by an editor is not part of the text (it would otherwise
        // stick to the first member name of a member file, for example).
        if (decoded.startsWith(QChar(0xFEFF)) && ucnv_getType(converterFor(charset)) == UCNV_UTF8)
            decoded.remove(0, 1);
        if (scanSpecial && run)
            DiscusFindSpecialCharacterSequences(*run, decoded);
        removeNulCharacters(decoded);
        text = decoded;
        host.CvDoEvents();
    });
}

QString runCharset(const ConversionRun &run)
{
    return run.settings.DiscusCharset.isEmpty() ? QStringLiteral("utf-8") : run.settings.DiscusCharset;
}

} // namespace

QString DecodeCharset(const QByteArray &bytes, const QString &charset)
{
    UConverter *cnv = converterFor(charset);
    if (bytes.isEmpty())
        return QString();
    // Most pages are UTF-8: Qt's decoder is the faster one and also turns invalid bytes
    // into U+FFFD.
    if (ucnv_getType(cnv) == UCNV_UTF8)
        return QString::fromUtf8(bytes);
    // Bytes that are not valid in the charset become U+FFFD (ICU's substitution), so they
    // stay visible instead of vanishing.
    const char *src = bytes.constData();
    const char *srcEnd = src + bytes.size();
    QString out;
    out.resize(bytes.size() + 16);
    qsizetype written = 0;
    for (;;) {
        UChar *base = reinterpret_cast<UChar *>(out.data());
        UChar *target = base + written;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_toUnicode(cnv, &target, base + out.size(), &src, srcEnd, nullptr, true, &err);
        written = target - base;
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(err))
            conversionFailed(charset, err);
        break;
    }
    out.truncate(written);
    return out;
}

QByteArray EncodeCharset(const QString &text, const QString &charset)
{
    converterFor(charset); // an unknown name fails even for an empty text
    return encodeWith(text, charset, false);
}

QByteArray EncodeCharsetHtml(const QString &text, const QString &charset)
{
    converterFor(charset);
    return encodeWith(text, charset, true);
}

int Windows1252Byte(QChar c)
{
    // The reverse of ICU's windows-1252 table, built once from its 256 byte values.
    static const QHash<char16_t, quint8> upper = [] {
        QHash<char16_t, quint8> map;
        UErrorCode err = U_ZERO_ERROR;
        UConverter *cnv = ucnv_open("windows-1252", &err);
        for (int b = 0x80; cnv && U_SUCCESS(err) && b <= 0xFF; ++b) {
            const char byte = char(b);
            UChar u[4];
            UErrorCode e = U_ZERO_ERROR;
            if (ucnv_toUChars(cnv, u, 4, &byte, 1, &e) == 1 && U_SUCCESS(e) && u[0] != 0xFFFD)
                map.insert(u[0], quint8(b));
        }
        if (cnv)
            ucnv_close(cnv);
        return map;
    }();
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u;
    const auto it = upper.constFind(u);
    return it == upper.constEnd() ? -1 : int(*it);
}

QByteArray Windows1252Bytes(const QString &text, char unmappable)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *to = out.data();
    const char16_t *from = reinterpret_cast<const char16_t *>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = from[i];
        const int b = u < 0x80 ? int(u) : Windows1252Byte(QChar(u));
        to[i] = b < 0 ? unmappable : char(b);
    }
    return out;
}

bool GetFileDataCharset(ConversionRun &run, const QString &path, QString &text, const QString &charset, bool scanSpecial)
{
    const QString cs = charset.isEmpty() ? runCharset(run) : charset;
    return readFile(run.host, &run, QStringLiteral("GetFileDataCharset()"), path, text, cs, scanSpecial);
}

bool GetFileDataANSI(RunHost &host, const QString &path, QString &text)
{
    // ICU's US-ASCII turns every byte from 0x80 up into U+FFFD: such bytes show up as
    // replacement characters rather than disappearing.
    return readFile(host, nullptr, QStringLiteral("GetFileDataANSI()"), path, text, QStringLiteral("us-ascii"), false);
}

void WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QString where = QStringLiteral(" - ") + nativePath(path);
        if (!QFileInfo(path).absoluteDir().exists())
            throw QbError(QbErrNo::PathNotFound, QStringLiteral("Path not found") + where);
        if (file.error() == QFileDevice::PermissionsError)
            throw QbError(QbErrNo::PermissionDenied, QStringLiteral("Permission denied") + where);
        throw QbError(QbErrNo::PathFileAccess, QStringLiteral("Path/File access error") + where + QStringLiteral(" - ") + file.errorString());
    }
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw QbError(QbErrNo::FileIO, QStringLiteral("Device I/O error - ") + nativePath(path) + QStringLiteral(" - ") + file.errorString());
    file.close();
}

bool WriteFileData(ConversionRun &run, const QString &path, const QString &text)
{
    return run.Trap(QStringLiteral("WriteFileData()"), [&] {
        // Encode first, so an unknown charset leaves any existing file untouched.
        WriteFileBytes(path, EncodeCharsetHtml(text, runCharset(run)));
        run.CvDoEvents();
    });
}

void WriteFileDataInBackground(ConversionRun &run, const QString &path, std::function<QString()> makeText)
{
    RunInBackground(run, QStringLiteral("WriteFileData()"),
                    [path, charset = runCharset(run), makeText = std::move(makeText)] {
                        WriteFileBytes(path, EncodeCharsetHtml(makeText(), charset));
                    });
}

QString LinkToLocalPath(ConversionRun &run, const QString &link, QString &fileName, QString &boardFolder)
{
    const qsizetype last = link.lastIndexOf(u'/');
    fileName = link.mid(last + 1);
    if (last < 0) {
        boardFolder.clear();
    } else {
        const qsizetype previous = last > 0 ? link.lastIndexOf(u'/', last - 1) : -1;
        boardFolder = GetLeadingDigits(link.mid(previous + 1, last - previous - 1));
    }
    const QString &folder = run.CurrentPageHidden ? run.settings.DiscusSecureMessageFolder : run.settings.DiscusMessageFolder;
    return folder + boardFolder + QLatin1Char('/') + fileName;
}

QString LinkToLocalPath(ConversionRun &run, const QString &link)
{
    QString fileName, boardFolder;
    return LinkToLocalPath(run, link, fileName, boardFolder);
}
