#pragma once
// Finds Form1's controls by object name and works them as a user would.

#include "Form1.h"
#include "TextProgressBar.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>

template <typename T = QWidget> T* control(Form1& form, const char* name)
{
    T* w = form.findChild<T*>(name);
    if (!w)
        qFatal("Form1 has no control %s", name);
    return w;
}

inline QTreeView* list(Form1& form)
{
    return control<QTreeView>(form, "ListView1");
}

inline FileList& files(Form1& form)
{
    return form.fileList();
}

inline TextProgressBar* progress(Form1& form)
{
    return control<TextProgressBar>(form, "ProgressBar1");
}

inline void click(Form1& form, const char* button)
{
    QTest::mouseClick(control<QPushButton>(form, button), Qt::LeftButton);
}

/// Sends one mouse event to the list's rows area at the row's centre (or a point).
inline void mouseOnList(Form1& form, QEvent::Type type, QPoint at)
{
    QWidget* viewport = list(form)->viewport();
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, viewport->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &event);
}

inline QPoint rowCentre(Form1& form, int row)
{
    return list(form)->visualRect(form.fileList().index(row)).center();
}
