#pragma once
// An error of the conversion: a classic error number and a description. Procedures
// throw it; the error trap of the procedure that owns the work reports it.
#include <QString>
#include <exception>

namespace QbErrNo {
enum : int {
    InvalidArgument = 5,
    Overflow = 6,
    SubscriptOutOfRange = 9,
    TypeMismatch = 13,
    InternalError = 51,
    FileNotFound = 53,
    FileAlreadyOpen = 55,
    FileIO = 57,
    PermissionDenied = 70,
    PathFileAccess = 75,
    PathNotFound = 76,
    KeyAlreadyInCollection = 457,
};
}

class QbError : public std::exception {
public:
    QbError(int number, QString description);
    int number() const { return m_number; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};
