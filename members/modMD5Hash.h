#pragma once
#include <QString>
class RunHost;
// MD5 of the text's windows-1252 bytes (an unmappable character counts as "?"), as 32
// upper-case hex digits. On a failure the trap "MD5HashString()" reports it and "" is returned.
QString MD5HashString(RunHost &host, const QString &text);
QString MD5Hex(const QByteArray &bytes);
// MD5 of a whole file; throws QbError (53) when the file cannot be read.
QString MD5HashFile(const QString &path);
