#include "Dialogs.h"

#include <utility>

namespace {

FileDialog::Presenter& filePresenter()
{
    static FileDialog::Presenter presenter;
    return presenter;
}

FolderBrowser::Presenter& folderPresenter()
{
    static FolderBrowser::Presenter presenter;
    return presenter;
}

Shell::Handler& shellHandler()
{
    static Shell::Handler handler;
    return handler;
}

} // namespace

FileDialog::Presenter FileDialog::setPresenter(Presenter presenter)
{
    return std::exchange(filePresenter(), std::move(presenter));
}

QStringList FileDialog::getOpenFileNames(const Request& request)
{
    return filePresenter() ? filePresenter()(request) : QStringList();
}

FolderBrowser::Presenter FolderBrowser::setPresenter(Presenter presenter)
{
    return std::exchange(folderPresenter(), std::move(presenter));
}

QString FolderBrowser::browse(const Request& request)
{
    return folderPresenter() ? folderPresenter()(request) : QString();
}

Shell::Handler Shell::setHandler(Handler handler)
{
    return std::exchange(shellHandler(), std::move(handler));
}

void Shell::open(const QString& target)
{
    if (shellHandler())
        shellHandler()(target);
}
