// The window routines of clsCvGenRtns and the real dialogs of kkDialogs (offscreen).
#include "routines/clsCvGenRtns.h"
#include "routines/kkDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>

namespace {
// Runs 'handle' on the first modal dialog of type T once it is up.
template <typename T>
void whenModal(std::function<void(T *)> handle)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, handle] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            handle(dialog);
        }
    });
    timer->start(10);
}
} // namespace

class TestFrmWindowRoutines : public QObject {
    Q_OBJECT
private slots:
    void init() { kkDialogs::clearHooks(); }
    void centerObject();
    void hourGlassIsBalanced();
    void realMessageBox();
    void realFolderPickerCancelled();
};

void TestFrmWindowRoutines::centerObject()
{
    QWidget window;
    window.resize(320, 200);
    window.move(0, 0);
    clsCvGenRtns().CenterObject(&window);
    const QRect screen = window.screen()->geometry();
    const QPoint offset = window.frameGeometry().center() - screen.center();
    QVERIFY2(qAbs(offset.x()) <= 1 && qAbs(offset.y()) <= 1,
             qPrintable(QString("off by %1,%2").arg(offset.x()).arg(offset.y())));
    clsCvGenRtns().CenterObject(nullptr); // nothing to centre: no crash
}

void TestFrmWindowRoutines::hourGlassIsBalanced()
{
    clsCvGenRtns gen;
    QVERIFY(!QGuiApplication::overrideCursor());
    gen.HourGlassOn();
    gen.HourGlassOn();
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    gen.HourGlassOff();
    QVERIFY(!QGuiApplication::overrideCursor());
    gen.HourGlassOff(); // already off: nothing to restore
    QVERIFY(!QGuiApplication::overrideCursor());

    QWidget window;
    gen.HourGlassOn(&window);
    QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
    QVERIFY(!QGuiApplication::overrideCursor());
    gen.HourGlassOff(&window);
    QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
}

void TestFrmWindowRoutines::realMessageBox()
{
    QApplication::setApplicationDisplayName("Quillbridge");
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenModal<QMessageBox>([&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->accept();
    });
    QCOMPARE(kkDialogs::message(nullptr, "Conversion Complete"), int(kkDialogs::Ok));
    QCOMPARE(text, QString("Conversion Complete"));
    QCOMPARE(title, QString("Quillbridge"));
    QCOMPARE(icon, QMessageBox::Information);
    QVERIFY(kkDialogs::shownMessages().isEmpty()); // shown for real, not recorded

    whenModal<QMessageBox>([&](QMessageBox *box) {
        title = box->windowTitle();
        icon = box->icon();
        box->accept();
    });
    clsCvGenRtns().ShellAndWait("qb-no-such-program-here", 0);
    QCOMPARE(title, QString("Error"));
    QCOMPARE(icon, QMessageBox::Warning);
}

void TestFrmWindowRoutines::realFolderPickerCancelled()
{
    QString title;
    whenModal<QFileDialog>([&](QFileDialog *dialog) {
        title = dialog->windowTitle();
        dialog->reject();
    });
    QCOMPARE(clsCvGenRtns().BrowseFolder("  " + QDir::tempPath() + "  ", nullptr), QString());
    QCOMPARE(title, QString("Browse for Folder"));
}

QTEST_MAIN(TestFrmWindowRoutines)
#include "tst_frmwindowroutines.moc"
