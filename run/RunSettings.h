#pragma once
// The run-wide values the phases read: filled by the driver from the window's fields
// before the phases run (the charset as soon as it is detected). Folders end with "/",
// but the attachments folder, which loses its "/" before the phases.
#include <QString>

struct RunSettings {
    // The Docs folder (special-character tables, redirection template).
    QString DocsFolder;

    // Discus source folders and files.
    QString DiscusRootFolder, DiscusMessageFolder, DiscusSecureMessageFolder, DiscusMainFolder;
    QString BoardTopicsFile, DiscusCgiFile, TreeFile, UserFile, UsersFile;
    QString DiscusCharset; // empty until the first run detects it

    // Output folders and the SQL script.
    QString phpBB3OutputFolder, phpBB3AttachmentsFolder, RedirectFolder;
    QString ImportScriptFile;
    qint64 SplitSize = 0; // characters; 0 or less: never split
    double ImportPartMBSize = 8; // largest file of the SQL for phpMyAdmin; 0: one file

    // Addresses of the old site and of the new forum.
    QString DiscusWebsite, phpBB3ForumAddr;

    // The target phpBB board: its administrator, the ids its own users and groups take,
    // and its release ("3.3" or "3.2").
    QString phpBB3DefaultAdmin;
    qint32 phpBB3DefaultUsers = 57;
    qint32 phpBB3DefaultGroups = 7;
    QString phpBB3Version = QStringLiteral("3.3");

    // Options.
    bool CreateAttachments = true, CreateHiddenTopics = true, CreateRedirectionFiles = true,
         FindDiscusSpecialCharacters = true;
    // Italics, underlining, quotes, lists, code, headings and block breaks become BBCode too.
    bool ConvertAllFormatting = true;
};
