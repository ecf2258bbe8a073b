#include "Skin.h"

#include "Platform.h"
#include "ShippedFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>

#include <stdexcept>

void SkinFramework::LoadSkin(const QString& path, const QString&)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QString("The skin %1 could not be read: %2").arg(path, file.errorString()).toStdString());
    m_styleSheet = QString::fromUtf8(file.readAll());
}

void SkinFramework::ApplyWindow(QWidget* window)
{
    window->setStyleSheet(m_styleSheet);
    if (applyToDialogs && qApp)
        qApp->setStyleSheet(m_styleSheet);
}

namespace Skin {

QString SkinFile(const QString& programFolder)
{
    return programFolder + '/' + ShippedFiles::Skin;
}

void ApplySkin(QWidget* window, const QString& programFolder, SkinFramework& skin)
{
    const QString path = SkinFile(programFolder);
    const int attributes = Platform::fileAttributes(path);
    if (!QFileInfo(path).isFile() || attributes < 0 || (attributes & 2))
        return;
    const QColor buttonFace = QApplication::style()->standardPalette().color(QPalette::Button);
    auto paint = [&](QWidget* w) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, buttonFace);
        p.setColor(QPalette::Button, buttonFace);
        w->setPalette(p);
    };
    paint(window);
    for (QWidget* child : window->findChildren<QWidget*>())
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) || qobject_cast<QGroupBox*>(child)
            || qobject_cast<QLabel*>(child))
            paint(child);
    skin.LoadSkin(path, "");
    skin.options |= 1;
    skin.applyToDialogs = true;
    skin.applyToFrames = true;
    skin.ApplyWindow(window);
}

} // namespace Skin
