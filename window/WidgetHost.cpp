#include "WidgetHost.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace {

// The texts keep their bare carriage returns; only the display breaks lines there.
QString displayed(QString text)
{
    return text.replace("\r\n", "\n").replace('\r', '\n');
}

QMessageBox::StandardButton standard(Host::Button button)
{
    switch (button) {
    case Host::Ok: return QMessageBox::Ok;
    case Host::Yes: return QMessageBox::Yes;
    case Host::No: return QMessageBox::No;
    case Host::Cancel: return QMessageBox::Cancel;
    default: return QMessageBox::NoButton;
    }
}

} // namespace

Host::Button WidgetHost::present(const Box& box)
{
    QMessageBox dialog(box.icon == Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, box.title,
                       displayed(box.text), QMessageBox::NoButton, over());
    dialog.setTextFormat(Qt::PlainText); // texts hold file names, never markup
    for (Button b : {Ok, Yes, No, Cancel})
        if (box.buttons & b)
            dialog.addButton(standard(b));
    dialog.setDefaultButton(standard(box.defaultButton));
    switch (dialog.exec()) {
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    case QMessageBox::Cancel: return Cancel;
    case QMessageBox::Ok: return Ok;
    default: return box.buttons & Cancel ? Cancel : box.defaultButton;
    }
}

QString WidgetHost::askText(const TextRequest& request)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(over(), request.title, displayed(request.prompt), QLineEdit::Normal,
                                                 request.preset, &ok);
    return ok ? answer : QString();
}

// Several files may be picked, and a typed name that names no file is returned
// as typed: the caller tells the user, not the dialog. Qt's own dialog does
// both when it takes any name and lets its views select several; a system's
// dialog for opening files refuses such names itself.
QStringList WidgetHost::chooseFiles(const FilesRequest& request)
{
    QFileDialog dialog(m_owner, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>())
        if (view->objectName() == "listView" || view->objectName() == "treeView")
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dialog.setNameFilters(request.nameFilters);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QString WidgetHost::chooseFolder(const FolderRequest& request)
{
    return QFileDialog::getExistingDirectory(m_owner, request.title, request.startFolder);
}

// What happens then is the system's. Targets come quoted, as a shell takes
// them; the quotes are not part of the address.
void WidgetHost::open(const QString& target)
{
    QString address = target;
    if (address.size() >= 2 && address.startsWith('"') && address.endsWith('"'))
        address = address.mid(1, address.size() - 2);
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

void WidgetHost::setBusy(bool busy)
{
    if (busy) {
        ++m_busy;
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else if (m_busy > 0) {
        --m_busy;
        QApplication::restoreOverrideCursor();
    }
}
