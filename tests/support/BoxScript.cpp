#include "BoxScript.h"

#include <QTest>

Host::Button BoxScript::present(const Box& box)
{
    shown << box;
    if (m_answers.isEmpty()) {
        QTest::qFail(qPrintable("A box appeared with no answer queued: " + box.text), __FILE__, __LINE__);
        return box.defaultButton;
    }
    return m_answers.takeFirst();
}

void BoxScript::letEventsIn()
{
    if (onEvents)
        onEvents();
    Host::letEventsIn();
}

QString BoxScript::askText(const TextRequest& request)
{
    asked << request;
    if (m_inputs.isEmpty()) {
        QTest::qFail(qPrintable("An input box appeared with no answer queued: " + request.prompt), __FILE__, __LINE__);
        return QString();
    }
    return m_inputs.takeFirst();
}

QStringList BoxScript::chooseFiles(const FilesRequest& request)
{
    if (realFileDialogs)
        return realFileDialogs->chooseFiles(request);
    fileDialogs << request;
    if (m_files.isEmpty()) {
        QTest::qFail("A file dialog appeared with no answer queued", __FILE__, __LINE__);
        return QStringList();
    }
    return m_files.takeFirst();
}

QString BoxScript::chooseFolder(const FolderRequest& request)
{
    browsers << request;
    if (m_folders.isEmpty()) {
        QTest::qFail("A folder browser appeared with no answer queued", __FILE__, __LINE__);
        return QString();
    }
    return m_folders.takeFirst();
}

void BoxScript::answer(Button button, int times)
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

BoxScript& BoxScript::fresh()
{
    shown.clear();
    asked.clear();
    fileDialogs.clear();
    browsers.clear();
    opened.clear();
    return *this;
}

QStringList BoxScript::texts() const
{
    QStringList result;
    for (const Box& box : shown)
        result << box.text;
    return result;
}
