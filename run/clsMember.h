#pragma once
// One Discus member and one group, as the member file and the posts reader register them.
#include <QString>
#include <memory>

class clsMember {
public:
    QString username;
    qint32 PostCount = 0;
    qint32 RegisteredDate = 0;
    QString RealName;
    qint32 LastLogin = 0;
    QString Email;
    qint32 EmailHash = 0;
    qint32 LastPost = 0;
    QString Password;
    qint32 ID = 0;
    QString Groups;
    QString IPAddr;
};

class clsGroup {
public:
    QString Name;
    qint32 ID = 0;
};

using MemberPtr = std::shared_ptr<clsMember>;
using GroupPtr = std::shared_ptr<clsGroup>;
