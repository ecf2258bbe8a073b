#include "BoxScript.h"

#include <QTest>

BoxScript::BoxScript()
{
    m_previous = MessageBox::setPresenter([this](const MessageBox::Box& box) {
        shown << box;
        if (m_answers.isEmpty()) {
            QTest::qFail(qPrintable("A box appeared with no answer queued: " + box.text), __FILE__, __LINE__);
            return box.defaultButton;
        }
        return m_answers.takeFirst();
    });
    m_previousInput = InputBox::setPresenter([this](const InputBox::Request& request) {
        asked << request;
        if (m_inputs.isEmpty()) {
            QTest::qFail(qPrintable("An input box appeared with no answer queued: " + request.prompt), __FILE__,
                         __LINE__);
            return QString();
        }
        return m_inputs.takeFirst();
    });
}

BoxScript::~BoxScript()
{
    MessageBox::setPresenter(m_previous);
    InputBox::setPresenter(m_previousInput);
}

void BoxScript::answer(MessageBox::Button button, int times)
{
    for (int i = 0; i < times; ++i)
        m_answers << button;
}

void BoxScript::type(const QString& text)
{
    m_inputs << text;
}

QStringList BoxScript::texts() const
{
    QStringList result;
    for (const MessageBox::Box& box : shown)
        result << box.text;
    return result;
}
