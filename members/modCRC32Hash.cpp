// CRC-32 of texts: the member e-mail hash (register without final inversion over the
// windows-1252 bytes) and phpBB's own user_email_hash.
#include "members/modCRC32Hash.h"

#include "output/TextFiles.h"

#include <array>

namespace {

using Table = std::array<quint32, 256>;

Table buildTable(quint32 polynomial)
{
    Table t{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 v = i;
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 1) ? (v >> 1) ^ polynomial : v >> 1;
        t[i] = v;
    }
    return t;
}

const quint32 StandardPolynomial = 0xEDB88320u;

// The table in use on this thread; CRC32InitTable sets it for another polynomial.
struct CurrentTable {
    quint32 polynomial = StandardPolynomial;
    Table table = buildTable(StandardPolynomial);
};
CurrentTable &currentTable()
{
    thread_local CurrentTable t;
    return t;
}

const Table &standardTable()
{
    static const Table t = buildTable(StandardPolynomial);
    return t;
}

} // namespace

qint32 CRC32InitTable(quint32 polynomial, qint32 start)
{
    CurrentTable &t = currentTable();
    if (t.polynomial != polynomial) {
        t.table = buildTable(polynomial);
        t.polynomial = polynomial;
    }
    return start;
}

qint32 CRC32String(const QString &text, qint32 reg)
{
    const Table &table = currentTable().table;
    quint32 r = quint32(reg);
    quint32 previous = 0;
    for (const QChar c : text) {
        // A character the code page lacks counts as the byte of the character before it.
        const int b = Windows1252Byte(c);
        const quint32 byte = b < 0 ? previous : quint32(b);
        previous = byte;
        r = (r >> 8) ^ table[(r & 0xFF) ^ byte];
    }
    return qint32(r);
}

qint32 EmailHash(const QString &lowerCaseEmail)
{
    return CRC32String(lowerCaseEmail, CRC32InitTable(StandardPolynomial, -1));
}

qint64 phpBBEmailHash(const QString &email)
{
    if (email.isEmpty())
        return 0;
    // phpBB: sprintf('%u', crc32(strtolower($email))) . strlen($email). PHP's strtolower
    // changes only A-Z, and strlen counts the UTF-8 bytes.
    QByteArray bytes = email.toUtf8();
    const qsizetype length = bytes.size();
    for (char &ch : bytes) {
        if (ch >= 'A' && ch <= 'Z')
            ch = char(ch - 'A' + 'a');
    }
    const Table &table = standardTable();
    quint32 r = 0xFFFFFFFFu;
    for (const char ch : std::as_const(bytes))
        r = (r >> 8) ^ table[(r ^ quint8(ch)) & 0xFF];
    r ^= 0xFFFFFFFFu;
    return (QString::number(r) + QString::number(length)).toLongLong();
}
