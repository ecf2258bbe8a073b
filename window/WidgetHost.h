#pragma once
// The host of the window: real modal boxes and dialogs, the system's handler
// for addresses and folders, and the application-wide busy pointer.

#include "Host.h"

#include <QPointer>
#include <QWidget>

class WidgetHost : public Host {
public:
    /// Boxes appear over owner, or centred while it is not shown.
    explicit WidgetHost(QWidget* owner = nullptr) : m_owner(owner) { }
    void setOwner(QWidget* owner) { m_owner = owner; }

    Button present(const Box& box) override;
    QString askText(const TextRequest& request) override;
    QStringList chooseFiles(const FilesRequest& request) override;
    QString chooseFolder(const FolderRequest& request) override;
    void open(const QString& target) override;
    void setBusy(bool busy) override;

private:
    QWidget* over() const { return m_owner && m_owner->isVisible() ? m_owner.data() : nullptr; }

    QPointer<QWidget> m_owner;
    int m_busy = 0;
};
