#include "Form1.h"

#include "AddFolder.h"
#include "ErrorReport.h"
#include "FileUtils.h"
#include "Paths.h"
#include "SettingsStore.h"

#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void Form1::connectJobSettings()
{
    connect(Option1, &QRadioButton::clicked, this, &Form1::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form1::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &Form1::Option3_Click);
    connect(Text1, &QLineEdit::textChanged, this, [](const QString& text) { SettingsStore::write("Row", text); });
    connect(Text2, &QLineEdit::textChanged, this, [](const QString& text) { SettingsStore::write("Column", text); });
    connect(Text3, &QLineEdit::textChanged, this, [](const QString& text) { SettingsStore::write("Text3", text); });
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    Text1->installEventFilter(this);
    Text2->installEventFilter(this);
}

void Form1::Option1_Click()
{
    SettingsStore::write("Option", "1");
    Text1->setEnabled(true);
    Text2->setEnabled(false);
}

void Form1::Option2_Click()
{
    SettingsStore::write("Option", "2");
    Text2->setEnabled(true);
    Text1->setEnabled(false);
}

void Form1::Option3_Click()
{
    SettingsStore::write("Option", "3");
    Text1->setEnabled(false);
    Text2->setEnabled(false);
}

// Leaving a box with a text of the wrong kind says so and brings the user back;
// the text itself stays as typed (and is already stored). True when it may stay.
bool Form1::validate(QLineEdit* box)
{
    const bool row = box == Text1;
    const QString text = box->text();
    if (text.isEmpty() || Paths::IsNumeric(text) == row)
        return true;
    m_host.information(row ? "Must be numeric entry" : "Must be a character column");
    box->setFocus();
    box->setSelection(0, int(text.size()));
    return false;
}

void Form1::Text1_LostFocus()
{
    validate(Text1);
}

void Form1::Text2_LostFocus()
{
    validate(Text2);
}

void Form1::PushButton7_Click()
{
    StepGuard step(m_host, ErrorReport::location("Form1", "PushButton7_Click"));
    QString folder;
    step(100, [&] {
        folder = AddFolder::BrowseForFolder(m_host, "Please select folder:", SettingsStore::read("LastFolderDot"));
    });
    if (folder.isEmpty())
        return;
    step(104, [&] { SettingsStore::write("LastFolderDot", folder); });
    if (!folder.endsWith(Paths::separator()))
        step(106, [&] { Text3->setText(folder + Paths::separator()); });
    else
        step(108, [&] { Text3->setText(folder); });
}

void Form1::restoreJobSettings(StepGuard& step)
{
    step(132, [&] { Text1->setEnabled(false); });
    step(134, [&] { Text2->setEnabled(false); });
    double option = 0;
    step(136, [&] { option = Paths::LeadingNumber(SettingsStore::read("Option", "3")); });
    // Selecting an option runs its click rule, as a click would.
    auto select = [](QRadioButton* button, void (Form1::*rule)(), Form1* form) {
        if (!button->isChecked()) {
            button->setChecked(true);
            (form->*rule)();
        }
    };
    if (option == 1) {
        step(138, [&] { select(Option1, &Form1::Option1_Click, this); });
        step(140, [&] { Text1->setEnabled(true); });
    } else if (option == 2) {
        step(144, [&] { select(Option2, &Form1::Option2_Click, this); });
        step(146, [&] { Text2->setEnabled(true); });
    } else if (option == 3) {
        step(150, [&] { select(Option3, &Form1::Option3_Click, this); });
    }
    step(152, [&] { Text1->setText(SettingsStore::read("Row", "1")); });
    step(154, [&] { Text2->setText(SettingsStore::read("Column", "A")); });
    step(156, [&] {
        const QString desktop = FileUtils::GetDesktopFolder(); // the default is needed first
        Text3->setText(SettingsStore::read("Text3", desktop));
    });
}
