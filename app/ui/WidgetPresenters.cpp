#include "WidgetPresenters.h"

#include "Dialogs.h"
#include "MessageBox.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

namespace {

// The texts keep their bare carriage returns; only the display breaks lines there.
QString displayed(QString text)
{
    return text.replace("\r\n", "\n").replace('\r', '\n');
}

QMessageBox::StandardButton standard(MessageBox::Button button)
{
    switch (button) {
    case MessageBox::Ok: return QMessageBox::Ok;
    case MessageBox::Yes: return QMessageBox::Yes;
    case MessageBox::No: return QMessageBox::No;
    case MessageBox::Cancel: return QMessageBox::Cancel;
    default: return QMessageBox::NoButton;
    }
}

} // namespace

namespace WidgetPresenters {

// Several files may be picked, and a typed name that names no file is returned
// as typed: the caller tells the user, not the dialog. Qt's own dialog does
// both when it takes any name and lets its views select several; a system's
// dialog for opening files refuses such names itself.
FileDialog::Presenter fileDialog(QWidget* owner)
{
    QPointer<QWidget> parent(owner);
    return [parent](const FileDialog::Request& request) {
        QFileDialog dialog(parent, request.title);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>())
            if (view->objectName() == "listView" || view->objectName() == "treeView")
                view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        dialog.setNameFilters(request.nameFilters);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };
}

MessageBox::Presenter messageBox(QWidget* owner)
{
    QPointer<QWidget> parent(owner);
    return [parent](const MessageBox::Box& box) {
        QWidget* over = parent && parent->isVisible() ? parent.data() : nullptr;
        QMessageBox dialog(box.icon == MessageBox::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, box.title,
                           displayed(box.text), QMessageBox::NoButton, over);
        dialog.setTextFormat(Qt::PlainText); // texts hold file names, never markup
        for (MessageBox::Button b : {MessageBox::Ok, MessageBox::Yes, MessageBox::No, MessageBox::Cancel})
            if (box.buttons & b)
                dialog.addButton(standard(b));
        dialog.setDefaultButton(standard(box.defaultButton));
        switch (dialog.exec()) {
        case QMessageBox::Yes: return MessageBox::Yes;
        case QMessageBox::No: return MessageBox::No;
        case QMessageBox::Cancel: return MessageBox::Cancel;
        case QMessageBox::Ok: return MessageBox::Ok;
        default: return box.buttons & MessageBox::Cancel ? MessageBox::Cancel : box.defaultButton;
        }
    };
}

void install(QWidget* owner)
{
    QPointer<QWidget> parent(owner);
    MessageBox::setPresenter(messageBox(owner));
    InputBox::setPresenter([parent](const InputBox::Request& request) {
        QWidget* over = parent && parent->isVisible() ? parent.data() : nullptr;
        bool ok = false;
        const QString answer = QInputDialog::getText(over, request.title, displayed(request.prompt), QLineEdit::Normal,
                                                     request.preset, &ok);
        return ok ? answer : QString();
    });
    FileDialog::setPresenter(fileDialog(owner));
    FolderBrowser::setPresenter([parent](const FolderBrowser::Request& request) {
        return QFileDialog::getExistingDirectory(parent, request.title, request.startFolder);
    });
    // What happens then is the system's; nothing is reported.
    // Targets come quoted, as a shell takes them; the quotes are not part of the address.
    Shell::setHandler([](const QString& target) {
        QString address = target;
        if (address.size() >= 2 && address.startsWith('"') && address.endsWith('"'))
            address = address.mid(1, address.size() - 2);
        QDesktopServices::openUrl(QUrl::fromUserInput(address));
    });
}

} // namespace WidgetPresenters
