#include "run/ConversionRun.h"

ConversionRun::ConversionRun(RunHost &runHost, RunSettings runSettings) : host(runHost), settings(std::move(runSettings)) {}

void ConversionRun::nameOutputFiles()
{
    const QString out = settings.phpBB3OutputFolder;
    const auto table = [&](ImportFile &f, const QString &name) { f.name(out + name + QStringLiteral("XXX.txt"), name); };
    table(topics, QStringLiteral("phpBB3_topics"));
    table(unknown, QStringLiteral("phpBB3_unknown"));
    table(posts, QStringLiteral("phpBB3_posts"));
    table(users, QStringLiteral("phpBB3_users"));
    table(forums, QStringLiteral("phpBB3_forums"));
    table(attachments, QStringLiteral("phpBB3_attachments"));
    table(groups, QStringLiteral("phpBB3_groups"));
    table(userGroup, QStringLiteral("phpBB3_user_group"));
    internalLinks.name(out + QStringLiteral("InternalLinksXXX.txt"), QString());
    internalLinksUpdate.name(out + QStringLiteral("InternalLinksUpdateXXX.txt"), QString());
}
