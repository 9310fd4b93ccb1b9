#pragma once
// kestrelkit's settings-file parser (internal; callers use clsCvGenRtns::GetIniString and
// clsCvGenRtns::WriteIniString).
#include <QString>

namespace kkIniFile {

// Stores key=value in the section; an empty value removes the key. Files ending in ".ist"
// are never written. True when the section already existed and the file was written.
bool writeString(const QString &section, const QString &key, const QString &value, const QString &fileName);

// The key's value; when the section or the key is missing or the value is empty, the
// default is stored with writeString and returned.
QString getString(const QString &section, const QString &key, const QString &defaultValue, const QString &fileName);

} // namespace kkIniFile
