#pragma once
// Every message box of the program goes through here, so that the code that
// shows boxes needs no widget header and tests can answer boxes without a screen.

#include <QString>

#include <functional>

class MessageBox {
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

    /// Shows a box modally and returns the button pressed.
    using Presenter = std::function<Button(const Box&)>;
    /// Installs who shows boxes (the widget layer, or a test's script); returns the previous one.
    static Presenter setPresenter(Presenter presenter);
    static Button show(const Box& box);

    /// A plain message: OK, no icon, the application title.
    static void information(const QString& text);
    /// A Yes/No question, Yes the default, no icon, the application title.
    static Button question(const QString& text);

    /// The caption of every box that names none of its own.
    static void setApplicationTitle(const QString& title);
    static QString applicationTitle();
};

/// Asks for one line of text; the answer is empty when the user cancels.
class InputBox {
public:
    struct Request {
        QString title;
        QString prompt;
        QString preset;
    };
    using Presenter = std::function<QString(const Request&)>;
    static Presenter setPresenter(Presenter presenter);
    static QString ask(const QString& prompt, const QString& preset);
};
