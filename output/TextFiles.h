#pragma once
// Whole text files in a named character set (ICU converters), and the local path of a
// Discus page link.
#include <QByteArray>
#include <QString>

#include <functional>

class ConversionRun;
class RunHost;

// Decodes / encodes with a charset name of the charset list or any name ICU knows.
// An unknown name throws QbError (error 5, "Unknown character set - " + name).
QString DecodeCharset(const QByteArray &bytes, const QString &charset);
// Bytes not valid in the charset decode to U+FFFD; characters the charset lacks encode to
// its substitution byte.
QByteArray EncodeCharset(const QString &text, const QString &charset);
// The same for HTML pages: a character the charset lacks becomes "&#<decimal code>;".
QByteArray EncodeCharsetHtml(const QString &text, const QString &charset);

// The windows-1252 byte of a character, -1 when that code page lacks it.
int Windows1252Byte(QChar c);
// One windows-1252 byte per character; a character the code page lacks gives unmappable.
QByteArray Windows1252Bytes(const QString &text, char unmappable = '?');

// Reads the whole file decoded with charset ("" = the run's DiscusCharset, else "utf-8").
// When scanSpecial is set the text passes the run's special-sequence scan first; NUL
// characters are removed, and so is a leading byte-order mark of a UTF-8 file. A missing file is error 53 "File not found". On a failure the error trap reports
// "GetFileDataCharset() - " + path, StopConversion is set and false is returned (text "").
bool GetFileDataCharset(ConversionRun &run, const QString &path, QString &text, const QString &charset = QString(), bool scanSpecial = false);
// The same decoded as "us-ascii", without the scan and outside any run (trap label
// "GetFileDataANSI() - " + path, reported to host).
bool GetFileDataANSI(RunHost &host, const QString &path, QString &text);
// Writes text encoded in the run's DiscusCharset ("utf-8" when empty) as the whole file,
// without byte-order mark; characters the charset lacks become HTML character references
// (the files written are HTML pages). Trap "WriteFileData()".
bool WriteFileData(ConversionRun &run, const QString &path, const QString &text);
// The same on the run's second thread: the text is made there by makeText, encoded and
// written; an error is reported as the second thread's errors are (label "WriteFileData()").
void WriteFileDataInBackground(ConversionRun &run, const QString &path, std::function<QString()> makeText);
// Creates or replaces the file with the bytes; throws the errors WriteFileData reports.
void WriteFileBytes(const QString &path, const QByteArray &bytes);

// The local file of a Discus page link ".../<board>/<page>.html": the secure folder while
// the page walk is in a hidden page, else the messages folder, + board + "/" + file name.
QString LinkToLocalPath(ConversionRun &run, const QString &link, QString &fileName, QString &boardFolder);
QString LinkToLocalPath(ConversionRun &run, const QString &link);
