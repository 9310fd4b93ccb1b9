#pragma once
// Helpers shared by the tests: files, folders, and a view that records what the
// conversion showed.
#include "convert/ConvertView.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qbtest {

QString sourceDir();  // the project's source folder
QString buildDir();   // the build folder (program, Docs)
QString sharedDir();  // the shared folder beside the project (phpBB schema, fresh databases)

QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes); // creates the folders along the path
// The file's text, decoded from UTF-16LE when it starts with FF FE, else from UTF-8.
QString readText(const QString &path);

// The fields of one import row (a line without its CR LF) read the way MariaDB's LOAD
// DATA reads them with FIELDS TERMINATED BY ',' ENCLOSED BY '"' ESCAPED BY '': a field
// that starts with a quote ends only at a quote followed by a comma or the line end (a
// doubled quote inside it is one quote); any other field ends at the next comma.
QStringList mariaDbFields(const QString &line);

// Runs `quillbridge --convert --settings ini` with one --set per entry (the program is
// QB_PROGRAM, else the build folder's); stdout and stderr go to ini + ".stdout"/".stderr".
// Returns an error text, empty when the run exited 0.
QString runBatchConversion(const QString &ini, const QStringList &sets);

// A view that records message boxes and opened documents and answers the folder picker.
class RecorderView : public MapView {
public:
    QStringList messages;
    QStringList openedDocuments;
    QString nextFolder;
    int optionsShown = 0;
    int closes = 0;
    void messageBox(const QString &text) override { messages << text; }
    QString browseFolder(const QString &) override { return nextFolder; }
    void openDocument(const QString &path) override { openedDocuments << path; }
    void showOptions() override { ++optionsShown; }
    void closeWindow() override { ++closes; }
};

} // namespace qbtest
