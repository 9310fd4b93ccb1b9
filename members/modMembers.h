#pragma once
#include <QString>
#include <QStringList>
class ConversionRun;
// The placeholder e-mail address of the administrator's member record.
extern const QString AdministratorEmail;
// Reads "User.txt" (else "Users.txt") into the member and group registries, after
// registering the administrator with id 2.
void DiscusReadUserFile(ConversionRun &run);
// Registers one member from member-file fields; returns its id (0 when not built).
// asAdministrator applies the administrator's id rule (id 2).
qint32 DiscusAddMember(ConversionRun &run, const QStringList &fields, bool asAdministrator = false);
void DiscusAddGroups(ConversionRun &run, const QStringList &names);
void phpBB3WriteGroupsFile(ConversionRun &run);
void phpBB3WriteMemberFile(ConversionRun &run);
