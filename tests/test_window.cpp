// The real main window on the offscreen platform: its layout, list editing,
// row dragging, pointers, and the batch run with the real office.

#include "BoxScript.h"
#include "ErrorReport.h"
#include "FileList.h"
#include "FormDriver.h"
#include "OfficeConnection.h"
#include "ScopeCases.h"
#include "SheetFixture.h"
#include "ShownBook.h"
#include "WorkFolders.h"

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The real office, which lets a test look at the window at the moment the
// engine starts on a file.
class WatchedOffice : public OfficeConnection {
public:
    void start() override
    {
        if (onFile)
            onFile();
        OfficeConnection::start();
    }
    std::function<void()> onFile;
};

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<QTemporaryDir> config;
    QString in, out, programFolder;
    std::unique_ptr<WatchedOffice> office;
    std::unique_ptr<Run::Service> run;
    std::unique_ptr<BoxScript> script;
    std::unique_ptr<Form1> form;

    void fill(const QStringList& rows)
    {
        for (const QString& row : rows)
            files(*form).appendRow(row);
    }

private slots:
    void initTestCase()
    {
        // The shipped pointers, but no skin: the window as designed.
        programFolder = dir.filePath("program");
        QDir().mkpath(programFolder);
        for (const char* file : {"HAND-M.CUR", "drag.ico", "cellwinnow.ico"})
            QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + '/' + file, programFolder + '/' + file));
        office = std::make_unique<WatchedOffice>();
        run = std::make_unique<Run::Service>(*office);
    }

    void init()
    {
        QVERIFY(freshFolders(dir, in, out));
        office->onFile = nullptr;
        config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", config->path().toUtf8());
        script = std::make_unique<BoxScript>();
        form = std::make_unique<Form1>(*run, *script, programFolder);
        form->setLoadWaitSeconds(0);
        QVERIFY(form->Form_Load());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void cleanup()
    {
        form.reset();
        script.reset();
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twipsRect");
        QTest::newRow("PushButton6") << "PushButton6"
                                     << "Help" << QRect(120, 120, 7800, 405);
        QTest::newRow("ListView1") << "ListView1"
                                   << "" << QRect(120, 630, 7800, 2535);
        QTest::newRow("PushButton1") << "PushButton1"
                                     << "Add Calc File(s)" << QRect(120, 3250, 3840, 405);
        QTest::newRow("PushButton4") << "PushButton4"
                                     << "Add All Calc Files In Folder" << QRect(4080, 3250, 3840, 405);
        QTest::newRow("PushButton5") << "PushButton5"
                                     << "Clear List" << QRect(120, 3760, 3840, 405);
        QTest::newRow("PushButton3") << "PushButton3"
                                     << "Load Sample/Example Files" << QRect(4080, 3760, 3840, 405);
        QTest::newRow("Frame1") << "Frame1"
                                << "Where to look for duplicates?" << QRect(120, 4230, 7800, 825);
        QTest::newRow("Option3") << "Option3"
                                 << "Entire Sheet" << QRect(240, 375, 1425, 225);
        QTest::newRow("Option1") << "Option1"
                                 << "Single Row" << QRect(1800, 375, 1260, 225);
        QTest::newRow("Text1") << "Text1"
                               << "" << QRect(3120, 315, 540, 375);
        QTest::newRow("Option2") << "Option2"
                                 << "Single Column" << QRect(3840, 375, 1545, 225);
        QTest::newRow("Text2") << "Text2"
                               << "" << QRect(5400, 315, 540, 375);
        QTest::newRow("Frame2") << "Frame2"
                                << "Save Results To This Folder" << QRect(120, 5130, 7800, 810);
        QTest::newRow("Text3") << "Text3"
                               << "" << QRect(240, 300, 6630, 345);
        QTest::newRow("PushButton7") << "PushButton7"
                                     << "..." << QRect(6960, 300, 600, 345);
        QTest::newRow("PushButton2") << "PushButton2"
                                     << "Start Deleting Duplicate Cells (Except First Instance)"
                                     << QRect(120, 6075, 7800, 405);
        QTest::newRow("ProgressBar1") << "ProgressBar1"
                                      << "Progress Bar" << QRect(120, 6600, 7800, 405);
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, twipsRect);
        QWidget* w = control(*form, qPrintable(name));
        const QRect expected(Form1::twips(twipsRect.x()), Form1::twips(twipsRect.y()), Form1::twips(twipsRect.width()),
                             Form1::twips(twipsRect.height()));
        QCOMPARE(w->geometry(), expected);
        QString shown;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            shown = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            shown = g->title();
        else if (auto* p = qobject_cast<TextProgressBar*>(w))
            shown = p->text();
        QCOMPARE(shown, caption);
        QCOMPARE(w->palette().color(w->backgroundRole()), QColor(Qt::white));
        const double points = qobject_cast<QPushButton*>(w) ? 11.25 : 9.0;
        QCOMPARE(w->font().pointSizeF(), points);
        QVERIFY(w->font().bold());
    }

    void window()
    {
        QCOMPARE(form->size(), QSize(Form1::twips(8040), Form1::twips(7125)));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->windowTitle(), QString("Cellwinnow"));
        QCOMPARE(script->applicationTitle(), QString("Cellwinnow"));
        QCOMPARE(QApplication::focusWidget(), list(*form));
        QVERIFY(control<QRadioButton>(*form, "Option3")->isChecked());
        QVERIFY(!control(*form, "Text1")->isEnabled());
        QVERIFY(!control(*form, "Text2")->isEnabled());
    }

    void listColumn()
    {
        QTreeView* l = list(*form);
        QCOMPARE(l->model()->columnCount(), 1);
        QCOMPARE(l->model()->headerData(0, Qt::Horizontal).toString(), QString("Calc File(s)"));
        QCOMPARE(l->columnWidth(0), Form1::twips(7000));
        QVERIFY(l->toolTip().startsWith("Drag and drop files here. Double-click item to remove it. Move | line"));
    }

    void tabStops_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("scopeBox"); // the box that Tab reaches after the option, if any
        QTest::addColumn<Qt::Key>("arrow");
        QTest::addColumn<QString>("arrowLandsOn");
        QTest::newRow("Entire Sheet") << "Option3"
                                      << "" << Qt::Key_Right << "Option1";
        QTest::newRow("Single Row") << "Option1"
                                    << "Text1" << Qt::Key_Right << "Option2";
        QTest::newRow("Single Column") << "Option2"
                                       << "Text2" << Qt::Key_Left << "Option1";
    }
    void tabStops()
    {
        QFETCH(QString, selected);
        QFETCH(QString, scopeBox);
        QFETCH(Qt::Key, arrow);
        QFETCH(QString, arrowLandsOn);
        control<QRadioButton>(*form, qPrintable(selected))->click();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        list(*form)->setFocus();
        QStringList stops = {"ListView1", selected};
        if (!scopeBox.isEmpty())
            stops << scopeBox;
        stops << QStringList{"PushButton6", "PushButton1", "PushButton4", "PushButton2",
                             "PushButton5", "PushButton3", "Text3",       "PushButton7"};
        const auto press = [&](Qt::Key key) {
            QTest::keyClick(form->windowHandle(), key);
            return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        };
        QStringList forward, backward;
        for (qsizetype i = 0; i < stops.size(); ++i)
            forward << press(Qt::Key_Tab);
        QCOMPARE(forward, stops.mid(1) << stops[0]);
        for (qsizetype i = 0; i < stops.size(); ++i)
            backward.prepend(press(Qt::Key_Backtab));
        QCOMPARE(backward, stops);
        // Arrows move within the group and select as they go.
        QCOMPARE(press(Qt::Key_Tab), selected);
        QCOMPARE(press(arrow), arrowLandsOn);
        QVERIFY(control<QRadioButton>(*form, qPrintable(arrowLandsOn))->isChecked());
        QCOMPARE(press(Qt::Key_Backtab), QString("ListView1"));
        QCOMPARE(press(Qt::Key_Tab), arrowLandsOn);
    }

    void removingRows_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("expected");
        const QStringList all = {"a", "b", "c"};
        QTest::newRow("delete removes the selected row") << "delete" << false << 1 << QStringList{"a", "c"};
        QTest::newRow("delete with shift held") << "shift-delete" << false << 0 << QStringList{"b", "c"};
        QTest::newRow("double-click removes the selected row") << "double-click" << false << 2 << QStringList{"a", "b"};
        QTest::newRow("delete with nothing selected") << "delete" << false << -1 << all;
        QTest::newRow("clear empties the list") << "clear" << false << -1 << QStringList{};
        QTest::newRow("busy: delete does nothing") << "delete" << true << 1 << all;
        QTest::newRow("busy: double-click does nothing") << "double-click" << true << 1 << all;
        QTest::newRow("busy: clear does nothing") << "clear" << true << -1 << all;
    }
    void removingRows()
    {
        QFETCH(QString, how);
        QFETCH(bool, busy);
        QFETCH(int, selected);
        QFETCH(QStringList, expected);
        fill({"a", "b", "c"});
        QTreeView* l = list(*form);
        l->clearSelection();
        if (selected >= 0)
            l->selectionModel()->select(files(*form).index(selected), QItemSelectionModel::Select);
        if (busy)
            form->setMousePointer(Form1::Pointer::Hourglass);
        if (how == "delete")
            QTest::keyClick(l, Qt::Key_Delete);
        else if (how == "shift-delete")
            QTest::keyClick(l, Qt::Key_Delete, Qt::ShiftModifier);
        else if (how == "double-click")
            mouseOnList(*form, QEvent::MouseButtonDblClick, QPoint(5, l->viewport()->height() - 5));
        else
            click(*form, "PushButton5");
        QCOMPARE(files(*form).rows(), expected);
    }

    void deleteOnEmptyListSaysNothing()
    {
        BoxScript& boxes = script->fresh();
        QTest::keyClick(list(*form), Qt::Key_Delete);
        click(*form, "PushButton5");
        QVERIFY(boxes.shown.isEmpty());
    }

    void dragging_data()
    {
        QTest::addColumn<int>("pressed");
        QTest::addColumn<QList<int>>("moves");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selected");
        const QStringList abc = {"a", "b", "c"};
        QTest::newRow("row 2 down over row 3") << 1 << QList<int>{2} << abc << QStringList{"a", "c", "b"} << 2;
        QTest::newRow("and back over row 2") << 1 << QList<int>{2, 1} << abc << abc << 1;
        QTest::newRow("and on over row 1") << 1 << QList<int>{2, 1, 0} << abc << QStringList{"b", "a", "c"} << 0;
        QTest::newRow("a fast move exchanges the two rows only")
            << 1 << QList<int>{2, 0} << abc << QStringList{"b", "c", "a"} << 0;
        QTest::newRow("equal texts exchange nothing")
            << 0 << QList<int>{1} << QStringList{"x", "x", "y"} << QStringList{"x", "x", "y"} << -1;
        QTest::newRow("no row pressed exchanges nothing") << -1 << QList<int>{0, 2} << abc << abc << -1;
    }
    void dragging()
    {
        QFETCH(int, pressed);
        QFETCH(QList<int>, moves);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        QFETCH(int, selected);
        fill(rows);
        QTreeView* l = list(*form);
        QCursor::setPos(0, 330);
        const QPoint below(5, l->viewport()->height() - 3);
        mouseOnList(*form, QEvent::MouseButtonPress, pressed >= 0 ? rowCentre(*form, pressed) : below);
        for (int row : moves)
            mouseOnList(*form, QEvent::MouseMove, rowCentre(*form, row));
        mouseOnList(*form, QEvent::MouseButtonRelease, rowCentre(*form, moves.last()));
        QCOMPARE(files(*form).rows(), expected);
        if (selected >= 0)
            QCOMPARE(l->currentIndex().row(), selected);
        // Moving after the release exchanges nothing more.
        mouseOnList(*form, QEvent::MouseMove, rowCentre(*form, 0));
        QCOMPARE(files(*form).rows(), expected);
    }

    void draggedRowRemovedMeanwhile()
    {
        fill({"a", "b", "c"});
        mouseOnList(*form, QEvent::MouseButtonPress, rowCentre(*form, 1));
        files(*form).removeRow(1);
        mouseOnList(*form, QEvent::MouseMove, rowCentre(*form, 0));
        QCOMPARE(files(*form).rows(), QStringList({"a", "c"}));
    }

    void scrollingWhileDragging_data()
    {
        QTest::addColumn<int>("screenY");
        QTest::addColumn<int>("direction"); // -1 the row above comes into view, +1 the row below, 0 none
        QTest::newRow("near the top: the row above") << 200 << -1;
        QTest::newRow("between: nothing") << 330 << 0;
        QTest::newRow("near the bottom: the row below") << 400 << 1;
    }
    void scrollingWhileDragging()
    {
        QFETCH(int, screenY);
        QFETCH(int, direction);
        QStringList rows;
        for (int i = 0; i < 60; ++i)
            rows << QString("row %1").arg(i);
        fill(rows);
        QTreeView* l = list(*form);
        l->scrollTo(files(*form).index(30), QAbstractItemView::PositionAtTop);
        const int first = l->indexAt(QPoint(5, 1)).row();
        const int last = l->indexAt(QPoint(5, l->viewport()->height() - 2)).row();
        QVERIFY(first > 0 && last > first + 2);
        const int scrolled = l->verticalScrollBar()->value();
        QCursor::setPos(10, screenY);
        QCOMPARE(QCursor::pos().y(), screenY);
        // Drag the edge row's neighbour onto the edge row on the side being tested.
        const int edge = direction > 0 ? last : first;
        const int from = direction > 0 ? last - 1 : first + 1;
        mouseOnList(*form, QEvent::MouseButtonPress, rowCentre(*form, from));
        mouseOnList(*form, QEvent::MouseMove, rowCentre(*form, edge));
        mouseOnList(*form, QEvent::MouseButtonRelease, QPoint(5, 5));
        QCOMPARE(files(*form).rowText(edge), QString("row %1").arg(from));
        const int now = l->verticalScrollBar()->value();
        if (direction == 0)
            QCOMPARE(now, scrolled);
        else
            QVERIFY2(direction < 0 ? now < scrolled : now > scrolled,
                     qPrintable(QString("%1 -> %2").arg(scrolled).arg(now)));
    }

    void pointers_data()
    {
        QTest::addColumn<bool>("withHand");
        QTest::addColumn<bool>("busy");
        QTest::newRow("hand image beside the program") << true << false;
        QTest::newRow("no hand image") << false << false;
        QTest::newRow("busy keeps the hourglass") << true << true;
    }
    void pointers()
    {
        QFETCH(bool, withHand);
        QFETCH(bool, busy);
        QTemporaryDir bare; // a program folder without the cursor file
        BoxScript boxes; // no box may appear, with or without the file
        Form1 window(*run, boxes, withHand ? programFolder : bare.path());
        window.Form_Load();
        if (busy)
            window.setMousePointer(Form1::Pointer::Hourglass);
        const auto over = [&](const char* name) {
            QWidget* w = name ? control(window, name) : &window;
            QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &move);
            return window.cursor().shape();
        };
        const Qt::CursorShape hand = busy ? Qt::WaitCursor : withHand ? Qt::BitmapCursor : Qt::ArrowCursor;
        const Qt::CursorShape plain = busy ? Qt::WaitCursor : Qt::ArrowCursor;
        for (const char* button : {"PushButton1", "PushButton2", "PushButton3", "PushButton4", "PushButton5",
                                   "PushButton6", "PushButton7"}) {
            QCOMPARE(over(button), hand);
            QCOMPARE(over("Frame1"), plain);
        }
        QCOMPARE(over("PushButton1"), hand);
        QCOMPARE(over("Option2"), plain);
        QCOMPARE(over("PushButton1"), hand);
        QCOMPARE(over(nullptr), plain);
        QCOMPARE(window.mousePointer(), busy ? Form1::Pointer::Hourglass : Form1::Pointer::Default);
    }

    void help()
    {
        BoxScript& boxes = script->fresh();
        boxes.answer(Host::Ok);
        click(*form, "PushButton6");
        QCOMPARE(boxes.texts(),
                 QStringList({"Questions? Please contact Team Tamberlin at https://tamberlin.example/contact/"}));
        QCOMPARE(boxes.shown[0].title, QString("Cellwinnow"));
        QCOMPARE(boxes.shown[0].buttons, int(Host::Ok));
        QCOMPARE(boxes.shown[0].icon, Host::NoIcon);
    }

    void startRefuses_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty list, even with no folder") << QStringList{} << "/no/such/folder"
                                                         << "No files added.";
        QTest::newRow("missing folder") << QStringList{"/x.ods"} << "/no/such/folder"
                                        << "Folder does not exist. Please select another folder.";
        QTest::newRow("empty folder text") << QStringList{"/x.ods"} << ""
                                           << "Folder does not exist. Please select another folder.";
        QTest::newRow("folder text names a file") << QStringList{"/x.ods"} << "FILE"
                                                  << "Folder does not exist. Please select another folder.";
        QTest::newRow("very long folder text") << QStringList{"/x.ods"} << "/tmp/" + QString(5000, 'l')
                                               << "Folder does not exist. Please select another folder.";
    }
    void startRefuses()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        if (folder == "FILE") {
            folder = dir.filePath("plain-file");
            QFile f(folder);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        fill(rows);
        control<QLineEdit>(*form, "Text3")->setText(folder);
        bool processed = false;
        office->onFile = [&] { processed = true; };
        BoxScript& boxes = script->fresh();
        boxes.answer(Host::Ok);
        click(*form, "PushButton2");
        QCOMPARE(boxes.texts(), QStringList{message});
        QVERIFY(!processed);
        QVERIFY(!form->running());
        QCOMPARE(progress(*form)->text(), QString("Progress Bar"));
    }

    // A file in between cannot be opened: its report says why in words that
    // name it, and the run goes on past it.
    void runOverThreeFiles_data()
    {
        QTest::addColumn<QString>("broken");
        QTest::addColumn<QString>("says");
        QTest::newRow("not a spreadsheet")
            << "text"
            << "is not a spreadsheet the office can open: it may be damaged, or another kind of file";
        QTest::newRow("protected by a password") << "password"
                                                 << "is protected by a password";
    }
    void runOverThreeFiles()
    {
        QFETCH(QString, broken);
        QFETCH(QString, says);
        SheetFixture fixture(*office);
        QStringList paths;
        for (const char* name : {"one.ods", "two.xls", "three.ods"}) {
            paths << in + '/' + name;
            fixture.writeTexts(paths.last(), {{{name, "same", "same"}}});
        }
        paths.insert(2, in + "/broken.ods");
        if (broken == "password") {
            fixture.writeTexts(paths[2], {{{"secret", "secret"}}}, "opensesame");
        } else {
            QFile text(paths[2]);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("not a spreadsheet at all");
        }
        fill(paths);
        control<QLineEdit>(*form, "Text3")->setText(out);

        QStringList seen;
        int reentered = 0;
        office->onFile = [&] {
            seen << QString("%1 %2").arg(progress(*form)->percent()).arg(progress(*form)->text());
            QVERIFY(form->busy());
            // A second click while running starts nothing.
            const int before = int(seen.size());
            click(*form, "PushButton2");
            reentered += int(seen.size()) - before;
        };
        BoxScript& boxes = script->fresh();
        boxes.answer(Host::Ok, 2); // the broken file's report, then "Done."
        click(*form, "PushButton2");

        QCOMPARE(seen,
                 QStringList({"25 Processing: one.ods", "50 Processing: two.xls", "75 Processing: broken.ods",
                              "100 Processing: three.ods"}));
        QCOMPARE(reentered, 0);
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[0].text,
                 ErrorReport::text({paths[2] + ' ' + says, ErrorReport::location("Calc1", "DoItByFile"), 106}));
        QCOMPARE(boxes.shown[1].text, QString("Done."));
        QCOMPARE(progress(*form)->percent(), 0.0);
        QCOMPARE(progress(*form)->text(), QString("Progress Bar"));
        QCOMPARE(form->mousePointer(), Form1::Pointer::Default);
        QVERIFY(!form->running());
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"one.ods", "three.ods", "two.ods"}));
        QCOMPARE(trimmed(fixture.read(out + "/two.ods")), FakeBook({{{"two.xls", "same"}}}));
        QCOMPARE(files(*form).rows(), paths); // the list stays for another run
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
