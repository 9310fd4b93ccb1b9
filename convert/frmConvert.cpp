#include "convert/frmConvert.h"

#include "convert/SettingsKeys.h"
#include "convert/frmOptions.h"
#include "routines/kkDialogs.h"
#include "run/ProgressMeter.h"
#include "ui_frmConvert.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QValidator>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QTextCursor>
#include <QUrl>
#include <QtGlobal>

namespace {
// A count field takes digits only; whether the number is within the field's bounds is the
// shared check's answer, so the window, Convert and the batch mode agree.
class CountValidator : public QValidator {
public:
    CountValidator(const CountField &field, QObject *parent) : QValidator(parent), m_field(field) {}
    State validate(QString &input, int &) const override
    {
        for (const QChar c : input)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
        return checkCountField(m_field, input).isEmpty() ? Acceptable : Intermediate;
    }

private:
    const CountField &m_field;
};
} // namespace

frmConvert::frmConvert(const QString &settingsFile, const QString &programFolder, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::frmConvert>())
{
    ui->setupUi(this);
    ui->txtArea->setTabStopDistance(ui->txtArea->fontMetrics().horizontalAdvance(QStringLiteral("    ")));
    m_options = new frmOptions(this);
    m_controller = std::make_unique<ConvertController>(*this, settingsFile, programFolder);
    ConvertController *c = m_controller.get();

    // A field's handler runs when the focus leaves it for another control of this window.
    m_lostFocus = {
        {ui->txtDiscusRootFolder, &ConvertController::txtDiscusRootFolder_LostFocus},
        {ui->txtphpBB3OutputFolder, &ConvertController::txtphpBB3OutputFolder_LostFocus},
        {ui->txtDiscusWebsite, &ConvertController::txtDiscusWebsite_LostFocus},
        {ui->txtphpBB3ForumAddr, &ConvertController::txtphpBB3ForumAddr_LostFocus},
        {ui->txtSplitMBSize, &ConvertController::txtSplitMBSize_LostFocus},
        {ui->txtDefaultAdmin, &ConvertController::txtDefaultAdmin_LostFocus},
        {ui->txtDefaultUsers, &ConvertController::txtDefaultUsers_LostFocus},
        {ui->txtDefaultGroups, &ConvertController::txtDefaultGroups_LostFocus},
    };
    connect(qApp, &QApplication::focusChanged, this, &frmConvert::onFocusChanged);
    for (const CountField &field : countFields())
        if (auto *edit = ui->centralwidget->findChild<QLineEdit *>(QLatin1String(field.control)))
            edit->setValidator(new CountValidator(field, edit));
    progressBar(0, 0, -1);

    QList<QCheckBox *> boxes{ui->chkShowProgress, ui->chkLogProgress};
    boxes += m_options->optionBoxes();
    for (QCheckBox *box : boxes)
        connect(box, &QCheckBox::clicked, this, [c, box] { c->checkBox_Click(box->objectName()); });
    connect(m_options->versionBox(), &QComboBox::activated, this, [c] { c->cboPhpBB3Version_Click(); });
    connect(m_options->importPartBox(), &QLineEdit::editingFinished, this, [c] { c->txtImportPartMBSize_LostFocus(); });

    connect(ui->cmdBrowseRoot, &QToolButton::clicked, this, [c] { c->cmdBrowseRoot_Click(); });
    connect(ui->cmdBrowseOutput, &QToolButton::clicked, this, [c] { c->cmdBrowseOutput_Click(); });
    connect(ui->cmdHelp, &QPushButton::clicked, this, [c] { c->cmdHelp_Click(); });
    connect(ui->cmdConvert, &QPushButton::clicked, this, [c] { c->cmdConvert_Click(); });
    connect(ui->cmdCancel, &QPushButton::clicked, this, [c] { c->cmdCancel_Click(); });
    connect(ui->mnuExit, &QAction::triggered, this, [c] { c->mnuExit_Click(); });
    connect(ui->mnuOptions, &QAction::triggered, this, [this] { showOptions(); });
    connect(ui->mnuUserGuide, &QAction::triggered, this, [c] { c->cmdHelp_Click(); });
    connect(ui->mnuAbout, &QAction::triggered, this, &frmConvert::showAbout);

    // The layout's own size first, so that centring places the window it will show.
    resize(size().expandedTo(minimumSizeHint()));
    m_controller->FormLoad();
}

frmConvert::~frmConvert()
{
    disconnect(qApp, nullptr, this, nullptr);
    m_controller.reset();
}

QWidget *frmConvert::control(const QString &name) const
{
    // The window's own controls first: both forms have a "cmdCancel".
    if (QWidget *w = ui->centralwidget->findChild<QWidget *>(name))
        return w;
    if (m_options) {
        if (m_options->objectName() == name)
            return m_options;
        return m_options->findChild<QWidget *>(name);
    }
    return nullptr;
}

QString frmConvert::text(const QString &name) const
{
    QWidget *w = control(name);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->currentText();
    if (auto *area = qobject_cast<QPlainTextEdit *>(w))
        return area->toPlainText();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    return QString();
}

void frmConvert::setText(const QString &name, const QString &value)
{
    QWidget *w = control(name);
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        edit->setText(value);
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        // A name of the list selects its item; an editable box also takes any other text.
        const int item = combo->findText(value);
        if (item >= 0 || !combo->isEditable())
            combo->setCurrentIndex(item);
        else
            combo->setEditText(value);
    } else if (w == ui->txtArea) {
        progressSet(value);
    } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        button->setText(value);
    }
}

bool frmConvert::isChecked(const QString &name) const
{
    auto *button = qobject_cast<QAbstractButton *>(control(name));
    return button && button->isChecked();
}

void frmConvert::setChecked(const QString &name, bool checked)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control(name)))
        button->setChecked(checked);
}

void frmConvert::setEnabled(const QString &name, bool enabled)
{
    if (QWidget *w = control(name))
        w->setEnabled(enabled);
    else if (auto *action = findChild<QAction *>(name))
        action->setEnabled(enabled);
    // The settings can be changed whenever Convert can be pressed: during a run a changed
    // folder, count or option would alter the run half way through.
    if (name == QLatin1String("cmdConvert")) {
        ui->grpDiscus->setEnabled(enabled);
        ui->grpphpBB3->setEnabled(enabled);
        if (m_options)
            m_options->pages()->setEnabled(enabled);
        // A field refused while it was locked (the admin check at the start of a run)
        // gets the focus back once it can be edited again.
        if (enabled && m_pendingFocus) {
            QScopedValueRollback<bool> guard(m_inHandler, true);
            m_pendingFocus->setFocus(Qt::OtherFocusReason);
        }
        m_pendingFocus = nullptr;
    }
}

void frmConvert::setFocus(const QString &name)
{
    // Focus moved by the program is no user leaving a field: no handler runs for it.
    QScopedValueRollback<bool> guard(m_inHandler, true);
    QWidget *w = control(name);
    if (w && !w->isEnabled())
        m_pendingFocus = w;
    else if (w)
        w->setFocus(Qt::OtherFocusReason);
}

void frmConvert::setTitle(const QString &title)
{
    setWindowTitle(title);
}

void frmConvert::caretToEnd()
{
    ui->txtArea->moveCursor(QTextCursor::End);
    ui->txtArea->ensureCursorVisible();
}

void frmConvert::progressAppend(const QString &text)
{
    QTextCursor cursor(ui->txtArea->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    m_progressLength += text.size();
    caretToEnd();
}

void frmConvert::progressSet(const QString &text)
{
    ui->txtArea->setPlainText(text);
    m_progressLength = text.size();
    caretToEnd();
}

void frmConvert::addProcessedFolder(const QString &name)
{
    ui->cboProcessedFolders->addItem(name);
}

void frmConvert::messageBox(const QString &text)
{
    kkDialogs::message(this, text, QString(), kkDialogs::Warning);
}

void frmConvert::errorBox(const QString &text)
{
    kkDialogs::message(this, text, QString(), kkDialogs::Critical);
}

void frmConvert::finishBox(const QString &text, const QString &reportFile)
{
    const QString button = reportFile.isEmpty() ? QString() : QStringLiteral("Open Report");
    if (kkDialogs::message(this, text, QString(), kkDialogs::Information, button) == kkDialogs::Extra)
        openDocument(reportFile);
}

void frmConvert::progressBar(qint64 done, qint64 total, qint64 secondsLeft)
{
    // The bar counts in per mille so that any number of pages fits its int range.
    ui->prgConversion->setRange(0, 1000);
    ui->prgConversion->setValue(total > 0 ? int(qMin(done, total) * 1000 / total) : 0);
    ui->prgConversion->setFormat(total > 0 ? QStringLiteral("%1% (%2 of %3 pages)").arg(done * 100 / total).arg(done).arg(total)
                                           : QStringLiteral("0%"));
    ui->lblTimeLeft->setText(total > 0 && done >= total ? QStringLiteral("Done") : ProgressMeter::timeLeftText(secondsLeft));
}

void frmConvert::showAbout()
{
    kkDialogs::message(this,
                       QStringLiteral("Quillbridge %1\n\nConverts a Discus discussion board into phpBB3 import files "
                                      "and one SQL script that loads them.\n\n"
                                      "Free software under the GNU General Public License, version 2.\n\n"
                                      "Built with Qt %2, running on Qt %3.")
                           .arg(QStringLiteral(QB_VERSION_TEXT), QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion())),
                       QStringLiteral("About Quillbridge"), kkDialogs::Information);
}

QString frmConvert::browseFolder(const QString &initial)
{
    return m_controller->gen().BrowseFolder(initial, this);
}

void frmConvert::openDocument(const QString &path)
{
    // xdg-open says whether a viewer took the file; when none did, the user is told where
    // the file is instead of an error on a terminal nobody sees.
    auto *opener = new QProcess(this);
    opener->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    opener->setStandardOutputFile(QProcess::nullDevice());
    const auto failed = [this, path] {
        messageBox(QStringLiteral("No program could open the file. You find it here:") + QStringLiteral("\n\n")
                   + QDir::toNativeSeparators(path));
    };
    connect(opener, &QProcess::errorOccurred, this, [opener, failed](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            failed();
            opener->deleteLater();
        }
    });
    connect(opener, &QProcess::finished, this, [opener, failed](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            failed();
        opener->deleteLater();
    });
    opener->start(QStringLiteral("xdg-open"), {path});
}

void frmConvert::setBusy(bool busy)
{
    if (busy)
        m_controller->gen().HourGlassOn();
    else
        m_controller->gen().HourGlassOff();
}

void frmConvert::processEvents()
{
    m_controller->gen().CvDoEvents();
}

void frmConvert::centre()
{
    m_controller->gen().CenterObject(this);
}

void frmConvert::showOptions()
{
    if (m_options)
        m_options->exec();
}

void frmConvert::closeWindow()
{
    close();
}

void frmConvert::closeEvent(QCloseEvent *event)
{
    if (!m_controller->requestClose()) {
        event->ignore();
        return;
    }
    // The options dialog goes with the main window.
    delete m_options;
    event->accept();
}

void frmConvert::onFocusChanged(QWidget *old, QWidget *now)
{
    // Leaving the window (another window, a message box, a menu) is not leaving the field.
    if (!old || !now || m_inHandler || now->window() != this || now == menuBar() || !old->isEnabled())
        return;
    const auto it = m_lostFocus.constFind(old);
    if (it == m_lostFocus.constEnd())
        return;
    QScopedValueRollback<bool> guard(m_inHandler, true);
    (m_controller.get()->*it.value())();
}
