#pragma once
// The file-open dialog and the folder browser, behind presenters like the
// message boxes: the code that asks needs no widget header, tests answer.

#include <QString>
#include <QStringList>

#include <functional>

class FileDialog {
public:
    struct Request {
        QString title;
        /// Qt name filters; the text before the last parentheses is shown.
        QStringList nameFilters;
    };
    /// The chosen files' full paths in the dialog's order; empty on cancel.
    using Presenter = std::function<QStringList(const Request&)>;
    static Presenter setPresenter(Presenter presenter);
    static QStringList getOpenFileNames(const Request& request);
};

class FolderBrowser {
public:
    struct Request {
        QString title;
        QString startFolder;
    };
    /// The chosen folder (no trailing separator but for a root); empty on cancel.
    using Presenter = std::function<QString(const Request&)>;
    static Presenter setPresenter(Presenter presenter);
    static QString browse(const Request& request);
};

/// Opens a web address or a folder with the user's default handler.
class Shell {
public:
    using Handler = std::function<void(const QString& target)>;
    static Handler setHandler(Handler handler);
    static void open(const QString& target);
};
