// STUB: replaced by the window work (start-up, field handlers, folders, charset detection).
#include "convert/ConvertController.h"

ConvertController::ConvertController(ConvertView &v, QString settingsFile, QString programFolder)
    : view(v), SettingsFile(std::move(settingsFile)), ProgramFolder(std::move(programFolder))
{
    DocsFolder = ProgramFolder + QStringLiteral("Docs/");
}
ConvertController::~ConvertController() { closeLogs(); }
QString ConvertController::readSetting(const QString &key, const QString &def) { return m_gen.GetIniString(QStringLiteral("Settings"), key, def, SettingsFile); }
void ConvertController::saveSetting(const QString &key, const QString &value) { m_gen.WriteIniString(QStringLiteral("Settings"), key, value, SettingsFile); }
QString ConvertController::defaultDiscusBase() { return QString(); }
void ConvertController::FormLoad() {}
void ConvertController::InitializeFolders() {}
void ConvertController::txtDiscusRootFolder_LostFocus() {}
void ConvertController::txtphpBB3OutputFolder_LostFocus() {}
void ConvertController::txtDiscusWebsite_LostFocus() {}
void ConvertController::txtphpBB3ForumAddr_LostFocus() {}
void ConvertController::txtSplitMBSize_LostFocus() {}
void ConvertController::txtDefaultAdmin_LostFocus() {}
void ConvertController::txtDefaultUsers_LostFocus() {}
void ConvertController::txtDefaultGroups_LostFocus() {}
void ConvertController::cmdBrowseRoot_Click() {}
void ConvertController::cmdBrowseOutput_Click() {}
void ConvertController::cmdHelp_Click() {}
void ConvertController::checkBox_Click(const QString &) {}
void ConvertController::SetupFolderLocations() {}
QString ConvertController::DetectDiscusCharset() { return QString(); }
QString ConvertController::FindTheFile(const QString &, const QString &) { return QString(); }
QString ConvertController::RemoveTrailingSlash(const QString &t) { return t; }
QString ConvertController::RemoveTrailingBackslash(const QString &t) { return t; }
QString ConvertController::userGuidePath() const { return DocsFolder + QStringLiteral("Discusware 4 to phpBB3 Conversion.pdf"); }
bool ConvertController::outputFolderIsOurs(const QString &, QString *) const { return true; }
QString ConvertController::adminFolderFor(const QString &) const { return QString(); }
