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
    m_previousFiles = FileDialog::setPresenter([this](const FileDialog::Request& request) {
        fileDialogs << request;
        if (m_files.isEmpty()) {
            QTest::qFail("A file dialog appeared with no answer queued", __FILE__, __LINE__);
            return QStringList();
        }
        return m_files.takeFirst();
    });
    m_previousFolders = FolderBrowser::setPresenter([this](const FolderBrowser::Request& request) {
        browsers << request;
        if (m_folders.isEmpty()) {
            QTest::qFail("A folder browser appeared with no answer queued", __FILE__, __LINE__);
            return QString();
        }
        return m_folders.takeFirst();
    });
}

BoxScript::~BoxScript()
{
    MessageBox::setPresenter(m_previous);
    InputBox::setPresenter(m_previousInput);
    FileDialog::setPresenter(m_previousFiles);
    FolderBrowser::setPresenter(m_previousFolders);
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

void BoxScript::chooseFiles(const QStringList& paths)
{
    m_files << paths;
}

void BoxScript::chooseFolder(const QString& folder)
{
    m_folders << folder;
}

QStringList BoxScript::texts() const
{
    QStringList result;
    for (const MessageBox::Box& box : shown)
        result << box.text;
    return result;
}
