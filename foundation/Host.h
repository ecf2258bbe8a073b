#pragma once
// What the engine and the list sources need from their surroundings, passed in
// as the office is: the window shows boxes and dialogs, a command line prints
// and answers for itself, a test scripts the answers. Callers need no widget
// header.
//
// An implementation provides present(), askText(), chooseFiles(),
// chooseFolder(), and may change how errors are reported, what opening a
// target does, the busy pointer and how events are let in. Whether the
// program is ending is kept here: once it is, no box is shown any more.

#include <QString>
#include <QStringList>

#include <atomic>

class Host {
public:
    enum Button { NoButton = 0x0, Ok = 0x1, Yes = 0x2, No = 0x4, Cancel = 0x8 };
    enum Icon { NoIcon, Exclamation };

    struct Box {
        Icon icon = NoIcon;
        QString title;
        QString text; // as built; a bare CR is shown as a line break
        int buttons = Ok;
        Button defaultButton = Ok;
    };
    struct TextRequest {
        QString title;
        QString prompt;
        QString preset;
    };
    struct FilesRequest {
        QString title;
        /// Qt name filters; the text before the last parentheses is shown.
        QStringList nameFilters;
    };
    struct FolderRequest {
        QString title;
        QString startFolder;
    };

    virtual ~Host() = default;

    /// Shows a box modally and returns the button pressed.
    virtual Button present(const Box& box) = 0;
    /// One line of text; empty when the user cancels.
    virtual QString askText(const TextRequest& request) = 0;
    /// The chosen files' full paths in the dialog's order; empty on cancel.
    virtual QStringList chooseFiles(const FilesRequest& request) = 0;
    /// The chosen folder (no trailing separator but for a root); empty on cancel.
    virtual QString chooseFolder(const FolderRequest& request) = 0;

    /// A step of a procedure that failed, as its error report names it.
    struct Failure {
        QString description; ///< the cause in words, or as the failing operation gives it
        QString location; ///< "PROJECT.MODULE.PROCEDURE"
        int step = 0;
        /// The office's or the system's own text beside the words, for a
        /// report; empty when the description is all there is.
        QString detail{};
        bool operator==(const Failure&) const = default;
    };
    /// By default the "Application Error" box with the report's text.
    virtual void reportError(const Failure& failure);
    /// Opens a web address or a folder (quoted, as a shell takes it) with the
    /// user's default handler; nothing is reported.
    virtual void open(const QString& target);
    /// The busy pointer, on or off.
    virtual void setBusy(bool busy);
    /// Lets waiting events (a click on the window, a close) be handled.
    virtual void letEventsIn();

    /// present(), unless the program is ending: then the default button.
    Button show(const Box& box);
    /// A plain message: OK, no icon, the application title.
    void information(const QString& text);
    /// A Yes/No question, Yes the default, no icon, the application title.
    Button question(const QString& text);
    /// askText() under the application title.
    QString ask(const QString& prompt, const QString& preset);

    /// The caption of every box that names none of its own.
    void setApplicationTitle(const QString& title) { m_title = title; }
    const QString& applicationTitle() const { return m_title; }

    /// Set once the user has closed the main window or the system asks the
    /// program to end: whatever is still unwinding (a run, a wait) ends
    /// quickly and shows nothing more. Safe from any thread.
    void requestQuit() { m_quitting.store(true, std::memory_order_relaxed); }
    bool quitting() const { return m_quitting.load(std::memory_order_relaxed); }

private:
    QString m_title;
    std::atomic<bool> m_quitting = false;
};

/// The busy pointer for the lifetime of the object.
class BusyWhile {
public:
    explicit BusyWhile(Host& host) : m_host(host) { m_host.setBusy(true); }
    ~BusyWhile() { m_host.setBusy(false); }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    Host& m_host;
};

/// A host with no one to ask: says every box on standard error as one line,
/// after the program's name, and takes its default; an error report is said
/// without the window's request for a screenshot; dialogs are cancelled. For
/// programs without a window.
class ConsoleHost : public Host {
public:
    explicit ConsoleHost(QString program = {}) : m_program(std::move(program)) { }
    Button present(const Box& box) override;
    void reportError(const Failure& failure) override;
    QString askText(const TextRequest&) override { return {}; }
    QStringList chooseFiles(const FilesRequest&) override { return {}; }
    QString chooseFolder(const FolderRequest&) override { return {}; }

private:
    void say(const QString& text) const;
    QString m_program;
};
