// STUB: replaced by the library work.
#include "routines/clsCvGenRtns.h"
#include <QCoreApplication>
QString clsCvGenRtns::StartTime() const { return QString(); }
QString clsCvGenRtns::StopTime() const { return QString(); }
QString clsCvGenRtns::GetElapsedTime(const QString &, const QString &) const { return QString(); }
QString clsCvGenRtns::FixPath(const QString &p) const { return p; }
bool clsCvGenRtns::WriteIniString(const QString &, const QString &, const QString &, const QString &) { return false; }
QString clsCvGenRtns::GetIniString(const QString &, const QString &, const QString &d, const QString &) { return d; }
bool clsCvGenRtns::FileExists(const QString &) { return false; }
void clsCvGenRtns::InitErrorLog(const QString &) {}
void clsCvGenRtns::WriteErrorLog(const QString &) {}
void clsCvGenRtns::CenterObject(QWidget *) {}
void clsCvGenRtns::ShellAndWait(const QString &, int) {}
void clsCvGenRtns::HourGlassOff(QWidget *) {}
void clsCvGenRtns::HourGlassOn(QWidget *) {}
QString clsCvGenRtns::CreateFolders(const QString &) { return QString(); }
QString clsCvGenRtns::BrowseFolder(const QString &, QWidget *) { return QString(); }
void clsCvGenRtns::CvDoEvents() { QCoreApplication::processEvents(); }
