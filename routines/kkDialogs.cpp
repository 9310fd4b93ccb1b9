#include "routines/kkDialogs.h"

#include <QPushButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QMutex>
#include <QQueue>

#include <cstdio>

namespace {

struct Hooks {
    QMutex mutex;
    QQueue<int> answers;
    QQueue<QString> folders;
    int standingAnswer = -1;
    QList<kkDialogs::Shown> shown;
};

Hooks &hooks()
{
    static Hooks h;
    return h;
}

// Widgets need a QApplication; a plain QCoreApplication (batch run) has no window system.
bool haveWidgets()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

QMessageBox::Icon boxIcon(int icon)
{
    switch (icon) {
    case kkDialogs::Warning: return QMessageBox::Warning;
    case kkDialogs::Critical: return QMessageBox::Critical;
    case kkDialogs::Question: return QMessageBox::Question;
    default: return QMessageBox::Information;
    }
}

} // namespace

int kkDialogs::message(QWidget *owner, const QString &text, const QString &title, int icon,
                       const QString &extraButton)
{
    const QString caption = title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
    {
        Hooks &h = hooks();
        QMutexLocker lock(&h.mutex);
        if (!h.answers.isEmpty() || h.standingAnswer != -1) {
            h.shown.append(Shown{caption, text, icon, extraButton});
            return h.answers.isEmpty() ? h.standingAnswer : h.answers.dequeue();
        }
    }
    if (!haveWidgets()) {
        const QByteArray line = (caption.isEmpty() ? text : caption + QLatin1String(": ") + text).toLocal8Bit();
        std::fprintf(stderr, "%s\n", line.constData());
        std::fflush(stderr);
        return Ok;
    }
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, owner);
    QPushButton *extra = extraButton.isEmpty() ? nullptr : box.addButton(extraButton, QMessageBox::ActionRole);
    box.exec();
    return extra && box.clickedButton() == extra ? Extra : Ok;
}

QString kkDialogs::getExistingDirectory(QWidget *owner, const QString &initial)
{
    {
        Hooks &h = hooks();
        QMutexLocker lock(&h.mutex);
        if (!h.folders.isEmpty())
            return h.folders.dequeue();
    }
    if (!haveWidgets())
        return QString();
    return QFileDialog::getExistingDirectory(owner, QStringLiteral("Browse for Folder"), initial.trimmed(),
                                             QFileDialog::ShowDirsOnly);
}

void kkDialogs::setNextAnswer(int answer)
{
    QMutexLocker lock(&hooks().mutex);
    hooks().answers.enqueue(answer);
}

void kkDialogs::setNextFolder(const QString &folder)
{
    QMutexLocker lock(&hooks().mutex);
    hooks().folders.enqueue(folder);
}

void kkDialogs::setDefaultAnswer(int answer)
{
    QMutexLocker lock(&hooks().mutex);
    hooks().standingAnswer = answer;
}

void kkDialogs::clearHooks()
{
    Hooks &h = hooks();
    QMutexLocker lock(&h.mutex);
    h.answers.clear();
    h.folders.clear();
    h.standingAnswer = -1;
    h.shown.clear();
}

QList<kkDialogs::Shown> kkDialogs::shown()
{
    QMutexLocker lock(&hooks().mutex);
    return hooks().shown;
}

QStringList kkDialogs::shownMessages()
{
    QStringList texts;
    for (const Shown &s : shown())
        texts << s.text;
    return texts;
}

void kkDialogs::clearShownMessages()
{
    QMutexLocker lock(&hooks().mutex);
    hooks().shown.clear();
}
