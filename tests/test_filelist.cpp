// Filling the list: the folder walk, the file dialog, a folder and an
// extension, dropping files and folders, and the remembered settings.

#include "AddFolder.h"
#include "BoxScript.h"
#include "FakeOffice.h"
#include "ErrorReport.h"
#include "FileList.h"
#include "FormDriver.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "TreeMaker.h"
#include "WidgetHost.h"

#include <QAbstractItemModelTester>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList walk(Host& host, const QString& folder, const QString& pattern = "*.*",
                 const AddFolder::SubFolderLister& subFolders = Platform::subFolderNames)
{
    QStringList rows;
    AddFolder::AddFolderFiles(
        folder, pattern, [&](const QString& p) { rows << p; }, host, subFolders);
    return rows;
}

QStringList relative(const QString& root, const QStringList& paths)
{
    QStringList out;
    for (const QString& p : paths)
        out << (p.startsWith(root + '/') ? p.mid(root.size() + 1) : p);
    return out;
}

bool dropOn(Form1& form, QEvent::Type type, QMimeData* data)
{
    QWidget* viewport = list(form)->viewport();
    const QPoint at(10, 10);
    if (type == QEvent::Drop) {
        // A drop always follows the pointer's entering with the data.
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &drop);
        return drop.isAccepted();
    }
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    return enter.isAccepted();
}

QMimeData* filesData(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    data->setUrls(urls);
    return data;
}

// Works the next real modal window as a user would. Whatever is still open a
// while later is named in leftOpen and closed, so no test waits on a dialog.
void onNextModal(QObject* context, const std::function<void(QWidget*)>& work, QStringList& leftOpen)
{
    QTimer::singleShot(0, context, [work, &leftOpen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            leftOpen << "(no modal window)";
            return;
        }
        QTimer::singleShot(2000, modal, [&leftOpen] {
            while (QWidget* still = QApplication::activeModalWidget()) {
                leftOpen << still->metaObject()->className();
                still->close();
            }
        });
        if (QTest::qWaitForWindowExposed(modal)) // laid out, as a user sees it
            work(modal);
    });
}

} // namespace

class TestFileList : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QTemporaryDir> config;
    QString root;
    // Answers the start-up check; the engine is never reached here.
    FakeOffice office;
    Run::Service run{office};
    std::unique_ptr<BoxScript> script;
    std::unique_ptr<Form1> form;

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", config->path().toUtf8());
        root = dir->filePath("root");
        QDir().mkpath(root);
        script = std::make_unique<BoxScript>();
        form = std::make_unique<Form1>(run, *script, QCoreApplication::applicationDirPath());
        form->Form_Load();
    }

    void cleanup()
    {
        form.reset();
        // Let the temporary tree go even where a test took permissions away.
        if (dir)
            QProcess::execute("chmod", {"-R", "u+rwx", dir->path()});
    }

    // The list keeps its views right through every change (Qt's own checks).
    void listModel()
    {
        FileList rows;
        QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const char* row : {"a", "b", "c", "d"})
            rows.appendRow(row);
        rows.exchange(0, 2);
        QVERIFY(rows.removeRow(3));
        QVERIFY(!rows.removeRows(2, 2)); // past the end: nothing goes
        QCOMPARE(rows.rows(), QStringList({"c", "b", "a"}));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, rows.rowText(3));
        rows.clear();
        QCOMPARE(rows.count(), 0);
    }

    void breadthFirst()
    {
        makeFiles(root, {"top.ods", "a/a1.ods", "b/b1.ods", "a/deep/a2.ods", "b/deep/b2.ods", "a/deep/deeper/a3.ods"});
        const QStringList rows = relative(root, walk(*script, root));
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows[0], QString("top.ods"));
        QCOMPARE(QSet<QString>(rows.begin() + 1, rows.begin() + 3), QSet<QString>({"a/a1.ods", "b/b1.ods"}));
        QCOMPARE(QSet<QString>(rows.begin() + 3, rows.begin() + 5), QSet<QString>({"a/deep/a2.ods", "b/deep/b2.ods"}));
        QCOMPARE(rows[5], QString("a/deep/deeper/a3.ods"));
        // Level 2 follows the order of its parents on level 1.
        QCOMPARE(rows[1].left(1), rows[3].left(1));
    }

    void whichFilesAreTaken_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("pattern by extension, any case")
            << QStringList{"a.ods", "b.ODS", "c.xls", "d.ods.bak"} << "*.ods" << QStringList{"a.ods", "b.ODS"};
        QTest::newRow("star-dot-star takes names without a dot too")
            << QStringList{"a.ods", "README"} << "*.*" << QStringList{"README", "a.ods"};
        QTest::newRow("tilde files left out") << QStringList{"~lock.ods", "a~.ods"} << "*.*" << QStringList{"a~.ods"};
        QTest::newRow("hidden archive file (34) left out, hidden read-only kept")
            << QStringList{".hidden.ods", "RO:.readonly.ods"} << "*.*" << QStringList{".readonly.ods"};
        QTest::newRow("an extension typed with its dot matches nothing")
            << QStringList{"a.ods"} << "*..ods" << QStringList{};
        QTest::newRow("two extensions at once are one literal")
            << QStringList{"a.ods", "b.xls"} << "*.ods;xls" << QStringList{};
        QTest::newRow("office lock files are dot-files")
            << QStringList{".~lock.a.ods#", "a.ods"} << "*.*" << QStringList{"a.ods"};
    }
    void whichFilesAreTaken()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        for (QString f : files) {
            const bool readOnly = f.startsWith("RO:");
            f.remove("RO:");
            makeFiles(root, {f});
            if (readOnly)
                QFile::setPermissions(root + '/' + f, QFile::ReadOwner);
        }
        QStringList rows = relative(root, walk(*script, root, pattern));
        rows.sort();
        QCOMPARE(rows, expected);
    }

    void foldersLeftOut()
    {
        makeFiles(root,
                  {"ok/a.ods", QString("bad\x01name/b.ods"), "what?/c.ods", QString("del\x7f/d.ods"), "shut/e.ods",
                   "shut/inner/f.ods", ".hidden/g.ods"});
        // As an ordinary user meets it: even root may not list it then.
        QFile::setPermissions(root + "/shut", {});
        const auto shut = [&](const QString& folder) {
            if (QDir::cleanPath(folder) == root + "/shut")
                throw Platform::folderError(EACCES);
            return Platform::subFolderNames(folder);
        };
        BoxScript& boxes = script->fresh(); // and no message about any of it
        QStringList rows = relative(root, walk(boxes, root, "*.*", shut));
        rows.sort();
        QCOMPARE(rows, QStringList({".hidden/g.ods", "ok/a.ods"}));
    }

    void links()
    {
        makeFiles(root, {"a.ods", "sub/b.ods", "sub/deep/d.ods", "other/c.ods"});
        makeFiles(dir->path(), {"elsewhere/e.ods"});
        QVERIFY(QFile::link(root, root + "/sub/up")); // loops: back to an ancestor
        QVERIFY(QFile::link(root + "/sub", root + "/sub/deep/back"));
        QVERIFY(QFile::link(root + "/sub", root + "/sub/self"));
        QVERIFY(QFile::link(root + "/other", root + "/sub/also-other")); // two ways to one folder
        QVERIFY(QFile::link(dir->path() + "/elsewhere", root + "/sub/away")); // a folder outside
        QStringList rows = relative(root, walk(*script, root));
        rows.sort();
        QCOMPARE(rows,
                 QStringList({"a.ods", "other/c.ods", "sub/also-other/c.ods", "sub/away/e.ods", "sub/b.ods",
                              "sub/deep/d.ods"}));
    }

    void namesThatAreNotText()
    {
        // Bytes that are not UTF-8: such a name cannot be kept, so the user is told once.
        makeFiles(root, {"a.ods", "sub/"});
        const QByteArray base = QFile::encodeName(root);
        // Qt cannot name these to remove them with the test's folder.
        struct Raw {
            QList<QByteArray> files;
            QByteArray dir;
            ~Raw()
            {
                for (const QByteArray& file : std::as_const(files))
                    ::unlink(file.constData());
                ::rmdir(dir.constData());
            }
        } raw{{base + "/caf\xe9.ods", base + "/sub/b\xfe.ods", base + "/sub/c\xfe.txt"}, base + "/dir\xff"};
        for (const QByteArray& file : std::as_const(raw.files)) {
            const int fd = ::open(file.constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
        QCOMPARE(::mkdir(raw.dir.constData(), 0755), 0);
        BoxScript& boxes = script->fresh();
        boxes.answer(Host::Ok);
        QCOMPARE(relative(root, walk(*script, root, "*.ods")), QStringList{"a.ods"});
        QCOMPARE(boxes.texts(),
                 QStringList{"Some names in these folders are not valid text and could not be read, so "
                             "what they name was not added:\r\r"
                             + root + " (2)\r" + root + "/sub (1)"});
    }

    void longPathsAreNotSearched()
    {
        const QString longName = QString(200, 'x');
        const QString deep = longName + '/' + QString(60, 'y');
        makeFiles(root, {deep + "/listed.ods", deep + "/below/not-reached.ods"});
        QVERIFY((root + '/' + deep + '/').size() >= 260);
        const QStringList rows = relative(root, walk(*script, root));
        QCOMPARE(rows, QStringList({deep + "/listed.ods"}));
    }

    void walkKeepsTheWindowAlive()
    {
        for (int i = 0; i < 30; ++i)
            makeFiles(root, {QString("f%1/g/x.ods").arg(i)});
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(0);
        QCOMPARE(walk(*script, root).size(), 30);
        QVERIFY2(ticks >= 1, "the walk never let the window handle its events");
    }

    void badCharacters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("bad");
        QTest::newRow("plain") << "Report 2021" << false;
        QTest::newRow("non-ASCII letters") << "Übersicht" << false;
        QTest::newRow("tab") << "a\tb" << true;
        QTest::newRow("DEL") << "a\x7f" << true;
        QTest::newRow("C1 control") << QString("a") + QChar(0x85) << true;
        QTest::newRow("question mark") << "what?" << true;
        QTest::newRow("just past C1") << QString("a") + QChar(0xA0) << false;
    }
    void badCharacters()
    {
        QFETCH(QString, name);
        QFETCH(bool, bad);
        QCOMPARE(AddFolder::HasBadNameChars(name), bad);
    }

    void attributes_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("attributes");
        QTest::newRow("plain file is archive") << "f.ods" << 32;
        QTest::newRow("dot-file is hidden archive") << ".f.ods" << 34;
        QTest::newRow("read-only dot-file") << "RO:.r.ods" << 35;
        QTest::newRow("folder") << "d/" << 16;
        QTest::newRow("hidden folder") << ".d/" << 18;
        QTest::newRow("link to a folder") << "LINK:d/" << 1040;
        QTest::newRow("missing") << "MISSING" << -1;
    }
    void attributes()
    {
        QFETCH(QString, entry);
        QFETCH(int, attributes);
        QString path;
        if (entry == "MISSING") {
            path = root + "/missing";
        } else if (entry.startsWith("LINK:")) {
            makeFiles(root, {"d/"});
            path = root + "/link";
            QVERIFY(QFile::link(root + "/d", path));
        } else {
            const bool readOnly = entry.startsWith("RO:");
            entry.remove("RO:");
            makeFiles(root, {entry});
            path = root + '/' + entry;
            if (readOnly)
                QFile::setPermissions(path, QFile::ReadOwner);
        }
        QCOMPARE(Platform::fileAttributes(path), attributes);
    }

    void dialog_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("refused");
        QTest::newRow("cancel") << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("one file as returned") << QStringList{"R/a.ods"} << QStringList{"R/a.ods"} << QStringList{};
        QTest::newRow("several files") << QStringList{"R/a.ods", "R/b.xls"} << QStringList{"R/a.ods", "R/b.xls"}
                                       << QStringList{};
        QTest::newRow("one missing of three, in between")
            << QStringList{"R/a.ods", "R/gone.ods", "R/b.xls"} << QStringList{"R/a.ods", "R/b.xls"}
            << QStringList{"R/gone.ods"};
        QTest::newRow("a name of no file typed into the real dialog")
            << QStringList{"typed:R/typed.ods"} << QStringList{} << QStringList{"R/typed.ods"};
        QTest::newRow("already listed is listed again")
            << QStringList{"R/a.ods", "R/a.ods"} << QStringList{"R/a.ods", "R/a.ods"} << QStringList{};
    }
    void dialog()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, refused);
        makeFiles(root, {"a.ods", "b.xls"});
        chosen.replaceInStrings("R/", root + '/');
        rows.replaceInStrings("R/", root + '/');
        refused.replaceInStrings("R/", root + '/');
        BoxScript& boxes = script->fresh();
        WidgetHost real(form.get());
        const bool typed = chosen.size() == 1 && chosen[0].startsWith("typed:");
        QStringList leftOpen;
        if (typed) {
            boxes.realFileDialogs = &real;
            onNextModal(
                form.get(),
                [&](QWidget* dialog) {
                    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                    QVERIFY(name);
                    QTest::keyClicks(name, chosen[0].mid(6));
                    auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
                    QVERIFY(buttons && buttons->button(QDialogButtonBox::Open));
                    QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
                },
                leftOpen);
        } else {
            boxes.chooseFiles(chosen);
        }
        boxes.answer(Host::Ok, int(refused.size()));
        click(*form, "PushButton1");
        QCOMPARE(leftOpen, QStringList{}); // the dialog said nothing of its own
        QCOMPARE(files(*form).rows(), rows);
        QStringList expectedTexts;
        for (const QString& r : refused)
            expectedTexts << r + "\r\rwas not added because it has bad characters in the filename.";
        QCOMPARE(boxes.texts(), expectedTexts);
        if (typed)
            return;
        QCOMPARE(boxes.fileDialogs.size(), 1);
        QCOMPARE(boxes.fileDialogs[0].title, QString("Add File(s) - Hold Ctrl to select multiple files"));
        QCOMPARE(boxes.fileDialogs[0].nameFilters,
                 QStringList(
                     {"Calc Spreadsheets (*.ods;*.ots;*.sxc;*.stc) (*.ods *.ots *.sxc *.stc)", "All Files (*.*) (*)"}));
    }

    void boxesShowNamesAsText()
    {
        // A file name in markup, in a real box: shown as written, its lines kept.
        const QString name = "<font size=6 color=red>All files uploaded<br>.ods";
        WidgetHost real(form.get());
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        QStringList leftOpen;
        onNextModal(
            form.get(),
            [&](QWidget* box) {
                auto* label = box->findChild<QLabel*>("qt_msgbox_label");
                QVERIFY(label);
                shown = label->text();
                format = label->textFormat();
                QTest::keyClick(box, Qt::Key_Return);
            },
            leftOpen);
        ErrorReport::show(real, name, ErrorReport::location("Form1", "PushButton1_Click"), 104);
        QCOMPARE(leftOpen, QStringList{});
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(shown,
                 name
                     + "\nin Sievekit2021/08/31.Form1.PushButton1_Click at line 104\n\nPlease email screenshot of this "
                       "message to support@tamberlin.example");
    }

    void dialogSelectionTooLarge()
    {
        // The folder, then a separator and a name for each file, and two closing characters.
        QStringList chosen;
        const QString name = QString(200, 'n');
        for (int i = 0, length = int(root.size()) + 2; length <= 30000; ++i) {
            chosen << QString("%1/%2%3.ods").arg(root, name).arg(i);
            length += 1 + int(QFileInfo(chosen.last()).fileName().size());
        }
        makeFiles(root, {QFileInfo(chosen[0]).fileName()});
        BoxScript& boxes = script->fresh();
        boxes.chooseFiles(chosen);
        boxes.answer(Host::Ok);
        click(*form, "PushButton1");
        QCOMPARE(
            boxes.texts(),
            QStringList({"You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button."}));
        QCOMPARE(files(*form).count(), 0);
        // One file fewer fits, and the readable one is added.
        chosen.removeLast();
        boxes.chooseFiles(chosen);
        boxes.answer(Host::Ok, int(chosen.size()) - 1);
        click(*form, "PushButton1");
        QCOMPARE(files(*form).rows(), QStringList{chosen[0]});
    }

    void addFolder_data()
    {
        QTest::addColumn<QString>("extension"); // "" cancels the prompt
        QTest::addColumn<QString>("folder"); // "" cancels the browser
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("storedExtension");
        QTest::addColumn<QString>("storedFolder");
        QTest::newRow("ods in a folder") << "ods"
                                         << "R" << QStringList{"a.ods"} << "ods"
                                         << "R";
        QTest::newRow("star takes every file") << "*"
                                               << "R" << QStringList{"a.ods", "b.txt"} << "*"
                                               << "R";
        QTest::newRow("prompt cancelled: nothing written") << ""
                                                           << "-" << QStringList{} << ""
                                                           << "";
        QTest::newRow("browser cancelled: the extension is kept") << "txt"
                                                                  << "" << QStringList{} << "txt"
                                                                  << "";
        QTest::newRow("typed with a dot: nothing matches") << ".ods"
                                                           << "R" << QStringList{} << ".ods"
                                                           << "R";
    }
    void addFolder()
    {
        QFETCH(QString, extension);
        QFETCH(QString, folder);
        QFETCH(QStringList, rows);
        QFETCH(QString, storedExtension);
        QFETCH(QString, storedFolder);
        makeFiles(root, {"a.ods", "b.txt"});
        folder.replace("R", root);
        storedFolder.replace("R", root);
        BoxScript& boxes = script->fresh();
        boxes.type(extension);
        if (folder != "-")
            boxes.chooseFolder(folder);
        bool busyDuringWalk = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] { busyDuringWalk |= form->busy(); });
        watch.start(0);
        click(*form, "PushButton4");

        QCOMPARE(boxes.asked.size(), 1);
        QCOMPARE(boxes.asked[0].prompt,
                 QString("Enter file extension to load:\r\r(* for all files, txt for all txt "
                         "files, doc for all doc files, etc.)"));
        QCOMPARE(boxes.asked[0].preset, QString("ods"));
        QCOMPARE(boxes.asked[0].title, QString("Cellwinnow"));
        QCOMPARE(boxes.browsers.size(), folder == "-" ? 0 : 1);
        QStringList listed = relative(root, files(*form).rows());
        listed.sort();
        QCOMPARE(listed, rows);
        QCOMPARE(SettingsStore::read("Extension", ""), storedExtension);
        QCOMPARE(SettingsStore::read("LastFolder", ""), storedFolder);
        QCOMPARE(busyDuringWalk, !folder.isEmpty() && folder != "-");
        QVERIFY(!form->busy());
    }

    void addFolderRemembersAcrossRestarts()
    {
        makeFiles(root, {"sub/a.txt"});
        {
            BoxScript& boxes = script->fresh();
            boxes.type("txt");
            boxes.chooseFolder(root + "/sub");
            click(*form, "PushButton4");
        }
        form = std::make_unique<Form1>(run, *script, QCoreApplication::applicationDirPath());
        form->Form_Load();
        BoxScript& boxes = script->fresh();
        boxes.type("");
        click(*form, "PushButton4");
        QCOMPARE(boxes.asked[0].preset, QString("txt"));
        boxes.type("txt");
        boxes.chooseFolder("");
        click(*form, "PushButton4");
        QCOMPARE(boxes.browsers[0].startFolder, root + "/sub");
        QCOMPARE(boxes.browsers[0].title, QString("Please select folder:"));
        QCOMPARE(SettingsStore::read("LastFolder"), root + "/sub");
        // A start folder that is gone leaves the browser its own default.
        QDir(root + "/sub").removeRecursively();
        boxes.type("txt");
        boxes.chooseFolder("");
        click(*form, "PushButton4");
        QCOMPARE(boxes.browsers[1].startFolder, QString());
    }

    void dragOver_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("files") << "files" << true;
        QTest::newRow("text without files") << "text" << false;
        QTest::newRow("web address") << "web" << false;
    }
    void dragOver()
    {
        QFETCH(QString, kind);
        QFETCH(bool, accepted);
        makeFiles(root, {"a.ods"});
        std::unique_ptr<QMimeData> data(kind == "files" ? filesData({root + "/a.ods"}) : new QMimeData);
        if (kind == "text")
            data->setText("some text");
        if (kind == "web")
            data->setUrls({QUrl("https://tamberlin.example/a.ods")});
        QCOMPARE(dropOn(*form, QEvent::DragEnter, data.get()), accepted);
        dropOn(*form, QEvent::Drop, data.get());
        QCOMPARE(files(*form).count(), accepted ? 1 : 0);
    }

    void drop()
    {
        makeFiles(root,
                  {"A/x.ods", "A/notes.txt", "A/~tmp.ods", "A/sub/y.ods", "B/z.ods", "loose.txt", "~own.ods",
                   "hidden/.h.ods"});
        std::unique_ptr<QMimeData> data(filesData({root + "/loose.txt", root + "/A/", root + "/~own.ods", root + "/B",
                                                   root + "/hidden", root + "/gone.ods"}));
        script->fresh(); // no message
        QVERIFY(dropOn(*form, QEvent::Drop, data.get()));
        const QStringList rows = relative(root, files(*form).rows());
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows[0], QString("loose.txt"));
        QCOMPARE(QSet<QString>(rows.begin() + 1, rows.begin() + 3), QSet<QString>({"A/x.ods", "A/notes.txt"}));
        QCOMPARE(rows.mid(3), QStringList({"A/sub/y.ods", "~own.ods", "B/z.ods", "gone.ods"}));
    }

    void dropWhileBusyStillAdds()
    {
        makeFiles(root, {"a.ods"});
        form->setMousePointer(Form1::Pointer::Hourglass);
        std::unique_ptr<QMimeData> data(filesData({root + "/a.ods"}));
        dropOn(*form, QEvent::Drop, data.get());
        QCOMPARE(files(*form).count(), 1);
    }

    void settingsStore()
    {
        QCOMPARE(SettingsStore::read("Extension", "ods"), QString("ods"));
        SettingsStore::write("Extension", "");
        QCOMPARE(SettingsStore::read("Extension", "ods"), QString()); // an empty value is a value
        SettingsStore::write("Row", "12a");
        QFile file(config->path() + "/Tamberlin.conf");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ini = file.readAll();
        QVERIFY2(ini.contains("[Cellwinnow]") && ini.contains("Row=12a"), ini.constData());
    }
};

QTEST_MAIN(TestFileList)
#include "test_filelist.moc"
