#include "monitor/controls/UserDialogs.h"

#include "common/ProductIdentity.h"
#include "monitor/controls/FileTypeByName.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

// The file chosen, or nothing when the user cancelled. The files shown are
// typed by name alone (FileTypeByName).
QString chosenFile(QFileDialog& dialog, QFileDialog::AcceptMode mode)
{
    dialog.setIconProvider(&FileTypeByName::shared());
    dialog.setAcceptMode(mode);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

class QtDialogs final : public UserDialogs {
public:
    // A name that does not exist is taken too: the window then keeps its
    // hosts and takes the name.
    QString openFileName(QWidget* parent, const QString& folder) override
    {
        QFileDialog dialog(parent, QString(), folder);
        dialog.setFileMode(QFileDialog::AnyFile);
        return chosenFile(dialog, QFileDialog::AcceptOpen);
    }

    QString saveFileName(QWidget* parent, const QString& folder, const QString& proposedName,
                         const QString& filter) override
    {
        // The path is used exactly as chosen: no extension is added and an
        // existing file is replaced without a question.
        QFileDialog dialog(parent, QString(), QDir(folder).filePath(proposedName), filter);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        return chosenFile(dialog, QFileDialog::AcceptSave);
    }

    // The box waits for nobody: polling and the records go on while it is
    // shown. Without a display nobody could close it, and the message has
    // gone to standard error already.
    void showError(QWidget* parent, const QString& message) override
    {
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal")
            return;
        auto* box = new QMessageBox(QMessageBox::Critical, ProductIdentity::Title, message, QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
    }

    std::optional<int> askInteger(QWidget* parent, const QString& label, int value, int minimum,
                                  int maximum) override
    {
        QInputDialog dialog(parent);
        dialog.setWindowTitle(ProductIdentity::Title);
        dialog.setLabelText(label);
        dialog.setInputMode(QInputDialog::IntInput);
        dialog.setIntRange(minimum, maximum);
        dialog.setIntValue(value);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.intValue();
    }
};

UserDialogs* installed = nullptr;

}

UserDialogs& UserDialogs::active()
{
    static QtDialogs real;
    return installed ? *installed : real;
}

UserDialogs* UserDialogs::install(UserDialogs* dialogs)
{
    UserDialogs* previous = installed;
    installed = dialogs;
    return previous;
}
