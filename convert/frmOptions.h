#pragma once
// The options dialog: the four switches of optional conversion work on a tab page. The
// boxes are saved the moment they are clicked (the main window connects them); OK and
// Cancel only hide the dialog, Apply does nothing.
#include <QDialog>
#include <memory>

namespace Ui {
class frmOptions;
}
class QCheckBox;
class QComboBox;
class QLineEdit;
class QStackedWidget;
class QTabBar;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget *parent = nullptr);
    ~frmOptions() override;

    QTabBar *tabs() const;
    QStackedWidget *pages() const;
    // The four option boxes, in the order of the page.
    QList<QCheckBox *> optionBoxes() const;
    // The target phpBB release ("3.3" or "3.2"), saved when the choice changes.
    QComboBox *versionBox() const;
    // The largest size of a file of the SQL for phpMyAdmin, saved when editing ends.
    QLineEdit *importPartBox() const;

private:
    void showPage(int tab);
    void selectNextTab();

    std::unique_ptr<Ui::frmOptions> ui;
};
