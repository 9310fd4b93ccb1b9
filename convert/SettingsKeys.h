#pragma once
// Every key of the settings file in one table: what it means, its default and the control
// that shows it. The batch mode's --help, its check of --set keys and its dispatch of --set
// values to the fields all read this table: a new setting is one more line in SettingsKeys.cpp.
// The checks of the count fields live here too, shared by the window's validators, the
// Convert check and the batch mode's --set check.
#include <QList>
#include <QString>

enum class SettingKind {
    Field,    // a text field of the main window: --set edits it and runs its lost-focus check
    CheckBox, // a check box ("0" or "1"), saved on click
    Choice,   // a drop-down of the window or the options dialog
    Stored,   // no control of its own: the value is stored as given
};

struct SettingKey {
    const char *key;
    SettingKind kind;
    const char *control; // system name of the field or box; "" when none
    const char *def;     // default when the key is absent ("" = empty)
    const char *meaning;
};

// All keys, in the order --help lists them.
const QList<SettingKey> &settingKeys();
// The entry of a key (letter case ignored), or nullptr.
const SettingKey *findSettingKey(const QString &key);
// The known key closest to a mistyped one (fewest edits, letter case ignored).
QString closestSettingKey(const QString &key);

// The default number of users a fresh phpBB database of a release holds ("3.3" or "3.2").
qint32 defaultUsersFor(const QString &release);

// The count fields (users, groups, split size): whole numbers within their bounds.
struct CountField {
    const char *control;
    const char *key;
    const char *label; // the field's label, as the messages name it
    qint64 minimum;
    qint64 maximum;
};
const QList<CountField> &countFields();
const CountField *findCountField(const QString &controlOrKey);
// "" when text is a whole number within the field's bounds, else a message naming the field.
QString checkCountField(const CountField &field, const QString &text);
