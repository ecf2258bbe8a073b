// Start-up: the job settings restored and remembered, the office check, the
// sample files, the skin, and the application title.

#include "BoxScript.h"
#include "FakeOffice.h"
#include "FileList.h"
#include "FileUtils.h"
#include "FormDriver.h"
#include "OfficeCheck.h"
#include "OfficeConnection.h"
#include "SettingsStore.h"
#include "StartUp.h"
#include "TreeMaker.h"

#include <QApplication>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString settingsText()
{
    QFile file(SettingsStore::filePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Shows the window and types text into the row or column box, its option selected.
QLineEdit* typeInto(Form1& form, const QString& box, const QString& text)
{
    QLocale::setDefault(QLocale::c());
    form.show();
    if (!QTest::qWaitForWindowActive(&form))
        return nullptr;
    control<QRadioButton>(form, box == "Text1" ? "Option1" : "Option2")->click();
    auto* edit = control<QLineEdit>(form, qPrintable(box));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    return edit;
}

} // namespace

class TestStartUp : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString programFolder;
    // Answers the start-up check; the engine is never reached here.
    FakeOffice office;
    Run::Service run{office};
    std::unique_ptr<BoxScript> script;

    std::unique_ptr<Form1> start()
    {
        auto form = std::make_unique<Form1>(run, *script, programFolder);
        form->Form_Load();
        return form;
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", dir->filePath("config").toUtf8());
        programFolder = dir->filePath("program");
        QDir().mkpath(programFolder);
        script = std::make_unique<BoxScript>();
    }

    void firstStart()
    {
        QVERIFY(!QFile::exists(SettingsStore::filePath()));
        auto form = start();
        QVERIFY(control<QRadioButton>(*form, "Option3")->isChecked());
        QVERIFY(!control(*form, "Text1")->isEnabled());
        QVERIFY(!control(*form, "Text2")->isEnabled());
        QCOMPARE(control<QLineEdit>(*form, "Text1")->text(), QString("1"));
        QCOMPARE(control<QLineEdit>(*form, "Text2")->text(), QString("A"));
        QCOMPARE(control<QLineEdit>(*form, "Text3")->text(), FileUtils::GetDesktopFolder());
        QVERIFY(form->resultsFolder().endsWith('/'));
        // The restored texts were written back at once.
        QCOMPARE(SettingsStore::read("Row", "-"), QString("1"));
        QCOMPARE(SettingsStore::read("Column", "-"), QString("A"));
        QCOMPARE(SettingsStore::read("Text3", "-"), FileUtils::GetDesktopFolder());
        QVERIFY(!form->isVisible()); // shown by the caller, after the whole order
    }

    void storedOption_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("rowEnabled");
        QTest::addColumn<bool>("columnEnabled");
        QTest::newRow("1 single row") << "1"
                                      << "Option1" << true << false;
        QTest::newRow("2 single column") << "2"
                                         << "Option2" << false << true;
        QTest::newRow("3 entire sheet") << "3"
                                        << "Option3" << false << false;
        QTest::newRow("leading number counts") << " 2 and more"
                                               << "Option2" << false << true;
        QTest::newRow("7 selects nothing new") << "7"
                                               << "Option3" << false << false;
        QTest::newRow("x selects nothing new") << "x"
                                               << "Option3" << false << false;
    }
    void storedOption()
    {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
        QFETCH(bool, rowEnabled);
        QFETCH(bool, columnEnabled);
        SettingsStore::write("Option", stored);
        SettingsStore::write("Row", "12a"); // not questioned at load
        auto form = start();
        QVERIFY(control<QRadioButton>(*form, qPrintable(selected))->isChecked());
        QCOMPARE(control(*form, "Text1")->isEnabled(), rowEnabled);
        QCOMPARE(control(*form, "Text2")->isEnabled(), columnEnabled);
        QCOMPARE(control<QLineEdit>(*form, "Text1")->text(), QString("12a"));
        QCOMPARE(form->isSelected(Scope::SingleColumn), selected == "Option2");
    }

    void optionClicksAreStored()
    {
        auto form = start();
        control<QRadioButton>(*form, "Option1")->click();
        QCOMPARE(SettingsStore::read("Option"), QString("1"));
        QVERIFY(control(*form, "Text1")->isEnabled() && !control(*form, "Text2")->isEnabled());
        control<QRadioButton>(*form, "Option2")->click();
        QCOMPARE(SettingsStore::read("Option"), QString("2"));
        QVERIFY(!control(*form, "Text1")->isEnabled() && control(*form, "Text2")->isEnabled());
        control<QRadioButton>(*form, "Option3")->click();
        QCOMPARE(SettingsStore::read("Option"), QString("3"));
        QVERIFY(!control(*form, "Text1")->isEnabled() && !control(*form, "Text2")->isEnabled());
        // And they come back at the next start, texts kept while disabled.
        control<QLineEdit>(*form, "Text2")->setText("AB");
        control<QRadioButton>(*form, "Option2")->click();
        auto again = start();
        QVERIFY(control<QRadioButton>(*again, "Option2")->isChecked());
        QCOMPARE(again->columnText(), QString("AB"));
    }

    void validation_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty: passes
        const QString numeric = "Must be numeric entry", letters = "Must be a character column";
        QTest::newRow("row 12a") << "Text1"
                                 << "12a" << numeric;
        QTest::newRow("row two separators") << "Text1"
                                            << "1.2.3" << numeric;
        QTest::newRow("row with blanks") << "Text1"
                                         << " 12 "
                                         << "";
        QTest::newRow("row negative") << "Text1"
                                      << "-3"
                                      << "";
        QTest::newRow("row fraction") << "Text1"
                                      << "1.5"
                                      << "";
        QTest::newRow("row exponent") << "Text1"
                                      << "1E3"
                                      << "";
        QTest::newRow("row inf") << "Text1"
                                 << "inf" << numeric;
        QTest::newRow("row empty") << "Text1"
                                   << ""
                                   << "";
        QTest::newRow("column A") << "Text2"
                                  << "A"
                                  << "";
        QTest::newRow("column AB") << "Text2"
                                   << "AB"
                                   << "";
        QTest::newRow("column lower case") << "Text2"
                                           << "a"
                                           << "";
        QTest::newRow("column A1") << "Text2"
                                   << "A1"
                                   << "";
        QTest::newRow("column nan") << "Text2"
                                    << "nan"
                                    << "";
        QTest::newRow("column INF") << "Text2"
                                    << "INF"
                                    << "";
        QTest::newRow("column 3") << "Text2"
                                  << "3" << letters;
        QTest::newRow("column 2.5") << "Text2"
                                    << "2.5" << letters;
    }
    void validation()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, message);
        auto form = start();
        QLineEdit* edit = typeInto(*form, box, text);
        QVERIFY(edit);
        QCOMPARE(SettingsStore::read(box == "Text1" ? "Row" : "Column"), text);
        BoxScript& boxes = script->fresh();
        if (!message.isEmpty())
            boxes.answer(Host::Ok);
        QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(QApplication::focusWidget(), edit);
            QCOMPARE(edit->selectedText(), text);
            QCOMPARE(boxes.shown[0].title, QString("Cellwinnow"));
        }
        QCOMPARE(edit->text(), text);
    }

    // The check on leaving a box comes before whatever took the focus acts.
    void validationComesFirst_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("leave"); // the control clicked
        QTest::addColumn<QStringList>("messages");
        const QString numeric = "Must be numeric entry";
        QTest::newRow("12a, then Help") << "Text1"
                                        << "12a"
                                        << "PushButton6" << QStringList{numeric};
        QTest::newRow("12a, then Start") << "Text1"
                                         << "12a"
                                         << "PushButton2" << QStringList{numeric};
        QTest::newRow("3, then Entire Sheet") << "Text2"
                                              << "3"
                                              << "Option3" << QStringList{"Must be a character column"};
        QTest::newRow("12, then Help: Help answers")
            << "Text1"
            << "12"
            << "PushButton6"
            << QStringList{"Questions? Please contact Team Tamberlin at https://tamberlin.example/contact/"};
    }
    void validationComesFirst()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, leave);
        QFETCH(QStringList, messages);
        auto form = start();
        QLineEdit* edit = typeInto(*form, box, text);
        QVERIFY(edit);
        BoxScript& boxes = script->fresh();
        boxes.answer(Host::Ok, int(messages.size()));
        // Through the window, as the system delivers a click.
        const auto clickOn = [&](const QString& name) {
            QWidget* target = control(*form, qPrintable(name));
            QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                              target->mapTo(form.get(), target->rect().center()));
        };
        clickOn(leave);
        QCoreApplication::processEvents();
        QCOMPARE(boxes.texts(), messages);
        if (messages[0].startsWith("Must")) {
            QCOMPARE(QApplication::focusWidget(), edit);
            QCOMPARE(edit->selectedText(), text);
            QVERIFY(control<QRadioButton>(*form, box == "Text1" ? "Option1" : "Option2")->isChecked());
            // The next click is the user's own again.
            edit->setText(box == "Text1" ? "12" : "C");
            boxes.answer(Host::Ok);
            clickOn("PushButton6");
            QCOMPARE(boxes.shown.size(), 2);
            QVERIFY(boxes.shown[1].text.startsWith("Questions?"));
        }
    }

    void browseResultsFolder_data()
    {
        QTest::addColumn<QString>("chosen"); // "" cancels
        QTest::addColumn<QString>("text3");
        QTest::addColumn<QString>("lastFolderDot");
        QTest::newRow("a folder gets a separator") << "D/Out"
                                                   << "D/Out/"
                                                   << "D/Out";
        QTest::newRow("a root stays as it is") << "/"
                                               << "/"
                                               << "/";
        QTest::newRow("cancel changes nothing") << ""
                                                << "KEEP"
                                                << "";
    }
    void browseResultsFolder()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, text3);
        QFETCH(QString, lastFolderDot);
        for (QString* s : {&chosen, &text3, &lastFolderDot})
            s->replace("D/", dir->path() + '/');
        QDir().mkpath(dir->filePath("Out"));
        auto form = start();
        const QString before = form->resultsFolder();
        BoxScript& boxes = script->fresh();
        boxes.chooseFolder(chosen);
        click(*form, "PushButton7");
        QCOMPARE(boxes.browsers[0].title, QString("Please select folder:"));
        QCOMPARE(form->resultsFolder(), text3 == "KEEP" ? before : text3);
        QCOMPARE(SettingsStore::read("LastFolderDot"), lastFolderDot);
        QCOMPARE(SettingsStore::read("Text3"), form->resultsFolder());
    }

    void browseStartsAtTheLastFolderAfterARestart()
    {
        QDir().mkpath(dir->filePath("Out"));
        {
            auto form = start();
            BoxScript& boxes = script->fresh();
            boxes.chooseFolder(dir->filePath("Out"));
            click(*form, "PushButton7");
        }
        auto form = start();
        QCOMPARE(form->resultsFolder(), dir->filePath("Out") + '/');
        BoxScript& boxes = script->fresh();
        boxes.chooseFolder("");
        click(*form, "PushButton7");
        QCOMPARE(boxes.browsers[0].startFolder, dir->filePath("Out"));
    }

    void officeAbsent_data()
    {
        QTest::addColumn<Host::Button>("answer");
        QTest::addColumn<QStringList>("opens");
        QTest::newRow("yes opens the download page")
            << Host::Yes << QStringList{"\"https://www.openoffice.org/download/index.html\""};
        QTest::newRow("no opens nothing") << Host::No << QStringList{};
    }
    void officeAbsent()
    {
        QFETCH(Host::Button, answer);
        QFETCH(QStringList, opens);
        // As a user can make it: the office named by the environment is not there.
        qputenv("CELLWINNOW_SOFFICE", dir->filePath("no-office-here").toUtf8());
        OfficeConnection absent;
        Run::Service absentRun(absent);
        Form1 form(absentRun, *script, programFolder);
        BoxScript& boxes = script->fresh();
        boxes.answer(answer);
        QVERIFY(!form.Form_Load());
        QVERIFY(!form.isVisible());
        QCOMPARE(boxes.shown.size(), 1);
        const Host::Box& box = boxes.shown[0];
        QCOMPARE(box.text,
                 QString("Error 214878392\r\n\r\nOpenOffice is required to run this software. It is not "
                         "installed on this computer.\r\rWoud you like to open this site now?\r\n\r\n(If you "
                         "think this error is a mistake and you have OpenOffice installed, please email a "
                         "screenshot of this error message and a screenshot of the OpenOffice 'About' "
                         "window to support@tamberlin.example)"));
        QCOMPARE(box.title, QString("Cellwinnow")); // the title came first in the order
        QCOMPARE(box.buttons, Host::Yes | Host::No);
        QCOMPARE(box.defaultButton, Host::Yes);
        QCOMPARE(box.icon, Host::NoIcon);
        QCOMPARE(boxes.opened, opens);
        // The settings were restored before the check, and the check wrote none.
        const QString before = settingsText();
        QVERIFY(before.contains("Row=1"));
        BoxScript again;
        again.answer(answer);
        QVERIFY(!OfficeCheck::CheckOpenOfficeInstalled(absentRun, again));
        QCOMPARE(settingsText(), before);
        qunsetenv("CELLWINNOW_SOFFICE");
    }

    void samples()
    {
        makeFiles(programFolder, {"Samples/a.ods", "Samples/~tilde.ods", "Samples/sub/deeper.ods"});
        auto form = start();
        files(*form).appendRow(programFolder + "/Samples//a.ods"); // written differently: not the same
        BoxScript& boxes = script->fresh();
        boxes.answer(Host::No);
        click(*form, "PushButton3");
        boxes.answer(Host::Yes);
        click(*form, "PushButton3");
        QStringList rows = files(*form).rows();
        QCOMPARE(rows.size(), 3);
        rows.sort();
        QCOMPARE(rows,
                 QStringList({programFolder + "/Samples//a.ods", programFolder + "/Samples/a.ods",
                              programFolder + "/Samples/~tilde.ods"}));
        QCOMPARE(boxes.texts(),
                 QStringList(2,
                             "Would you like this software to open the folder where these sample "
                             "files are stored (so that you can view them before working with them)?"));
        QCOMPARE(boxes.shown[0].buttons, Host::Yes | Host::No);
        QCOMPARE(boxes.opened, QStringList{'"' + programFolder + "/Samples/\""});
    }

    void shippedSamples()
    {
        programFolder = QCoreApplication::applicationDirPath();
        auto form = start();
        BoxScript& boxes = script->fresh();
        boxes.answer(Host::No);
        click(*form, "PushButton3");
        QCOMPARE(files(*form).count(), 3);
        for (const QString& row : files(*form).rows())
            QVERIFY2(row.endsWith(".ods"), qPrintable(row));
    }

    void missingSamplesStillAsk()
    {
        auto form = start();
        BoxScript& boxes = script->fresh();
        boxes.answer(Host::No);
        click(*form, "PushButton3");
        QCOMPARE(files(*form).count(), 0);
        QCOMPARE(boxes.shown.size(), 1);
    }

    void skin_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("present") << true;
        QTest::newRow("absent") << false;
    }
    void skin()
    {
        QFETCH(bool, present);
        if (present)
            QVERIFY(
                QFile::copy(QCoreApplication::applicationDirPath() + "/x/o.cjs", programFolder + "/x/o.cjs")
                || (QDir().mkpath(programFolder + "/x")
                    && QFile::copy(QCoreApplication::applicationDirPath() + "/x/o.cjs", programFolder + "/x/o.cjs")));
        script->fresh(); // no message either way
        auto form = start();
        const QColor face = QApplication::style()->standardPalette().color(QPalette::Button);
        const QColor expected = present ? face : QColor(Qt::white);
        QCOMPARE(form->palette().color(QPalette::Window), expected);
        for (const char* name : {"Option1", "Option2", "Option3", "Frame1", "Frame2"})
            QCOMPARE(control(*form, name)->palette().color(QPalette::Window), expected);
        QCOMPARE(control(*form, "Text3")->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(form->styleSheet().isEmpty(), !present);
        qApp->setStyleSheet(QString());
    }

    void appTitle_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("title");
        QTest::newRow("one word is the title") << "Cellwinnow"
                                               << "Cellwinnow";
        QTest::newRow("the last word always goes") << "Tamberlin Cellwinnow"
                                                   << "Tamberlin";
        QTest::newRow("cut again while too long")
            << "Tamberlin Cellwinnow Spreadsheet Duplicate Cell Remover Professional Edition"
            << "Tamberlin Cellwinnow Spreadsheet";
    }
    void appTitle()
    {
        QFETCH(QString, product);
        QFETCH(QString, title);
        QCOMPARE(StartUp::AppTitleFor(product), title);
    }
};

QTEST_MAIN(TestStartUp)
#include "test_startup.moc"
