#include "MessageBox.h"

#include "Lifetime.h"

#include <cstdio>
#include <utility>

namespace {

MessageBox::Presenter& boxPresenter()
{
    static MessageBox::Presenter presenter;
    return presenter;
}

InputBox::Presenter& inputPresenter()
{
    static InputBox::Presenter presenter;
    return presenter;
}

QString& appTitle()
{
    static QString title;
    return title;
}

} // namespace

MessageBox::Presenter MessageBox::setPresenter(Presenter presenter)
{
    return std::exchange(boxPresenter(), std::move(presenter));
}

MessageBox::Button MessageBox::show(const Box& box)
{
    if (Lifetime::quitting())
        return box.defaultButton;
    if (boxPresenter())
        return boxPresenter()(box);
    // No one to ask (no window yet): say it on the console and take the default.
    std::fprintf(stderr, "%s: %s\n", qPrintable(box.title), qPrintable(box.text));
    return box.defaultButton;
}

void MessageBox::information(const QString& text)
{
    show({NoIcon, applicationTitle(), text, Ok, Ok});
}

MessageBox::Button MessageBox::question(const QString& text)
{
    return show({NoIcon, applicationTitle(), text, Yes | No, Yes});
}

void MessageBox::setApplicationTitle(const QString& title)
{
    appTitle() = title;
}

QString MessageBox::applicationTitle()
{
    return appTitle();
}

InputBox::Presenter InputBox::setPresenter(Presenter presenter)
{
    return std::exchange(inputPresenter(), std::move(presenter));
}

QString InputBox::ask(const QString& prompt, const QString& preset)
{
    if (inputPresenter())
        return inputPresenter()({MessageBox::applicationTitle(), prompt, preset});
    return {};
}
