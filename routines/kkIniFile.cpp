// Settings files: a line-based parser of its own (no platform profile functions).
//
// Each thread keeps two cache slots: one for a ".pjt" file and one for any other file.
// A slot is read from disk when it is switched to another file or after a write; in
// between, repeated look-ups use the lines in memory even when the file changed on disk.
//
// Reading: a file beginning with FF FE is UTF-16LE; a file beginning with the UTF-8
// byte-order mark, or holding valid UTF-8 with non-ASCII bytes, is UTF-8; anything else is
// 8-bit windows-1252. CRs are dropped and the text is split at LF.
//
// Writing rewrites the whole file from the slot's lines: blank lines are dropped, every
// line ending in "]" stands between two empty lines, CR LF line ends. The file keeps the
// form it was read in (UTF-16LE with byte-order mark only for ".ini" and ".pjt" files);
// 8-bit files stay windows-1252 unless a character does not fit, then they become UTF-8,
// so no character is ever lost.
#include "routines/kkIniFile.h"

#include "routines/clsCvGenRtns.h"

#include <QFile>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringList>

namespace {

enum class Form { Ansi, Utf8, Utf8Bom, Utf16 };

struct Slot {
    QString name;
    bool reload = true;
    QStringList lines;
    Form form = Form::Ansi;
};

thread_local Slot t_slots[2];

// File names name the same file when they match as the file system compares them.
constexpr Qt::CaseSensitivity kFileNameCase =
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    Qt::CaseInsensitive;
#else
    Qt::CaseSensitive;
#endif

const char kAnsiCodec[] = "windows-1252";

Slot &slotFor(const QString &fileName)
{
    return t_slots[fileName.endsWith(QLatin1String(".pjt"), Qt::CaseInsensitive) ? 0 : 1];
}

bool isBlank(const QString &line)
{
    return line.trimmed().isEmpty();
}

int lastNonBlank(const QStringList &lines)
{
    for (int i = lines.size() - 1; i >= 0; --i)
        if (!isBlank(lines.at(i)))
            return i;
    return -1;
}

QString decodeAnsi(const QByteArray &bytes)
{
    QStringDecoder decoder(kAnsiCodec);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QString decode(const QByteArray &raw, Form &form)
{
    if (raw.startsWith("\xFF\xFE")) {
        form = Form::Utf16;
        QStringDecoder decoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        return decoder.decode(QByteArrayView(raw).sliced(2));
    }
    const bool bom = raw.startsWith("\xEF\xBB\xBF");
    const QByteArrayView body = QByteArrayView(raw).sliced(bom ? 3 : 0);
    bool ascii = true;
    for (char c : body)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (bom || !ascii) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = utf8.decode(body);
        if (!utf8.hasError()) {
            form = bom ? Form::Utf8Bom : Form::Utf8;
            return text;
        }
    }
    form = Form::Ansi;
    return decodeAnsi(body.toByteArray());
}

QByteArray encode(const QString &text, Form form, const QString &fileName)
{
    const bool unicodeName = fileName.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive)
        || fileName.endsWith(QLatin1String(".pjt"), Qt::CaseInsensitive);
    if (form == Form::Utf16 && unicodeName) {
        QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        return encoder.encode(text);
    }
    if (form == Form::Utf8Bom)
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    if (form == Form::Utf8)
        return text.toUtf8();
    QStringEncoder encoder(kAnsiCodec);
    if (encoder.isValid()) {
        QByteArray bytes = encoder.encode(text);
        if (!encoder.hasError())
            return bytes;
    }
    return text.toUtf8(); // a character windows-1252 cannot hold: keep it rather than write "?"
}

// The slot of the file, read from disk when it was switched to this file or cleared.
Slot &load(const QString &fileName)
{
    Slot &slot = slotFor(fileName);
    if (slot.name.compare(fileName, kFileNameCase) != 0) {
        slot.name = fileName;
        slot.reload = true;
    }
    if (!slot.reload && !slot.lines.isEmpty())
        return slot;
    slot.lines.clear();
    slot.form = Form::Ansi;
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        QString text = decode(file.readAll(), slot.form);
        text.remove(QLatin1Char('\r'));
        slot.lines = text.split(QLatin1Char('\n'));
    }
    slot.reload = false;
    return slot;
}

void clear(Slot &slot)
{
    slot.name.clear();
    slot.lines.clear();
    slot.reload = true;
    slot.form = Form::Ansi;
}

struct Lookup {
    bool found = false;
    int header = -1;
    int end = -1;     // the section's last line
    int keyLine = -1; // -1: key not in the section
    QString value;
};

Lookup find(const QStringList &lines, const QString &section, const QString &key)
{
    Lookup r;
    const QString header = QLatin1Char('[') + section.trimmed() + QLatin1Char(']');
    for (int i = 0; i < lines.size(); ++i)
        if (lines.at(i).trimmed().compare(header, Qt::CaseInsensitive) == 0) {
            r.header = i;
            break;
        }
    if (r.header < 0)
        return r;
    r.found = true;
    for (int i = r.header + 1; i < lines.size() && r.end < 0; ++i) {
        const QString t = lines.at(i).trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
            r.end = i - 1;
    }
    if (r.end < 0)
        r.end = qMax(r.header, lastNonBlank(lines));
    // The first line holding key + "=" anywhere: a key that is the tail of another key's
    // name finds that key's line when it comes first.
    const QString needle = key + QLatin1Char('=');
    for (int i = r.header; i <= r.end; ++i) {
        const int at = lines.at(i).indexOf(needle, 0, Qt::CaseInsensitive);
        if (at >= 0) {
            r.keyLine = i;
            r.value = lines.at(i).mid(at + needle.size()).trimmed();
            break;
        }
    }
    return r;
}

} // namespace

namespace kkIniFile {

bool writeString(const QString &section, const QString &key, const QString &value, const QString &fileName)
{
    if (fileName.endsWith(QLatin1String(".ist"), Qt::CaseInsensitive))
        return false;
    Slot &slot = load(fileName);
    QStringList lines = slot.lines;
    const Form form = slot.form;
    const Lookup found = find(lines, section, key);

    const QString newLine = key + QLatin1Char('=') + value;
    int insertAt = -1;
    QString inserted;
    if (found.found) {
        if (found.keyLine >= 0) {
            lines[found.keyLine] = value.isEmpty() ? QString() : newLine;
        } else if (!value.isEmpty()) {
            insertAt = found.end + 1;
            inserted = newLine;
        }
    } else {
        insertAt = lastNonBlank(lines) + 1;
        inserted = QLatin1Char('[') + section + QLatin1String("]\r\n\r\n") + newLine;
    }

    const QString crlf = QStringLiteral("\r\n");
    QString out;
    auto putInserted = [&] {
        if (!isBlank(inserted))
            out += inserted + crlf;
    };
    const int last = lastNonBlank(lines);
    for (int i = 0; i <= last; ++i) {
        if (i == insertAt)
            putInserted();
        const QString &line = lines.at(i);
        if (isBlank(line))
            continue;
        if (line.endsWith(QLatin1Char(']')))
            out += crlf + line + crlf + crlf;
        else
            out += line + crlf;
    }
    if (insertAt > last)
        putInserted();

    const int slash = fileName.lastIndexOf(QLatin1Char('/'));
    if (slash > 0)
        clsCvGenRtns().CreateFolders(fileName.left(slash));
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    bool written = false;
    if (file.open(QIODevice::WriteOnly)) {
        const QByteArray bytes = encode(out, form, fileName);
        written = file.write(bytes) == bytes.size() && file.commit();
    }
    clear(slotFor(fileName));
    return written && found.found;
}

QString getString(const QString &section, const QString &key, const QString &defaultValue, const QString &fileName)
{
    const Lookup found = find(load(fileName).lines, section, key);
    if (found.found && !found.value.isEmpty())
        return found.value;
    writeString(section, key, defaultValue, fileName);
    return defaultValue;
}

} // namespace kkIniFile
