#include "convert/frmOptions.h"

#include "routines/clsCvGenRtns.h"
#include "ui_frmOptions.h"

#include <QShortcut>

frmOptions::frmOptions(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::frmOptions>())
{
    ui->setupUi(this);
    ui->tbsOptions->addTab(tr("Files"));
    ui->tbsOptions->setTabToolTip(0, tr("Set Options File Creation"));
    ui->tbsOptions->setExpanding(false);
    connect(ui->tbsOptions, &QTabBar::currentChanged, this, &frmOptions::showPage);
    showPage(ui->tbsOptions->currentIndex());

    connect(ui->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    // cmdApply: the boxes were saved when clicked; there is nothing left to apply.

    auto *nextTab = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(nextTab, &QShortcut::activated, this, &frmOptions::selectNextTab);

    // The dialog is loaded hidden and centred on the screen.
    resize(sizeHint().expandedTo(size()));
    clsCvGenRtns().CenterObject(this);
}

frmOptions::~frmOptions() = default;

QTabBar *frmOptions::tabs() const { return ui->tbsOptions; }

QComboBox *frmOptions::versionBox() const { return ui->cboPhpBB3Version; }

QLineEdit *frmOptions::importPartBox() const { return ui->txtImportPartMBSize; }

QStackedWidget *frmOptions::pages() const { return ui->picOptions; }

QList<QCheckBox *> frmOptions::optionBoxes() const
{
    return {ui->chkCreateAttachments, ui->chkCreateHiddenTopics, ui->chkCreateRedirectionFiles,
            ui->chkFindDiscusSpecialCharacters, ui->chkConvertAllFormatting};
}

// The page of the selected tab is shown and usable; every other page is out of reach.
void frmOptions::showPage(int tab)
{
    for (int i = 0; i < ui->picOptions->count(); ++i)
        ui->picOptions->widget(i)->setEnabled(i == tab);
    if (tab >= 0 && tab < ui->picOptions->count())
        ui->picOptions->setCurrentIndex(tab);
}

void frmOptions::selectNextTab()
{
    const int count = ui->tbsOptions->count();
    if (count > 0)
        ui->tbsOptions->setCurrentIndex((ui->tbsOptions->currentIndex() + 1) % count);
}
