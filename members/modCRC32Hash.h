#pragma once
#include <QString>
// The reflected CRC-32 table for the polynomial; returns start unchanged.
qint32 CRC32InitTable(quint32 polynomial, qint32 start);
// Table-driven CRC update of the text's windows-1252 bytes from register; no final inversion.
qint32 CRC32String(const QString &text, qint32 reg);
// A member's EmailHash: CRC32String of the address from CRC32InitTable(0xEDB88320, -1).
qint32 EmailHash(const QString &lowerCaseEmail);
// phpBB's user_email_hash: zlib's CRC-32 of the lower-case address as an unsigned decimal
// number followed by the address length; 0 for an empty address.
qint64 phpBBEmailHash(const QString &email);
