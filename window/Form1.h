#pragma once
// The program's only window: the file list, the job settings, the batch run.
// Its controls carry the object names users and tests know them by.

#include "RunService.h"
#include "FileList.h"
#include "Host.h"
#include "JobSettings.h"
#include "Skin.h"

#include <QCursor>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>

class QDragMoveEvent;
class QDropEvent;
class QGroupBox;
class StepGuard;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeView;
class QWindow;
class TextProgressBar;

class Form1 : public QWidget, public JobSettings {
    Q_OBJECT
public:
    /// programFolder holds the files shipped beside the program (cursors, skin,
    /// samples); host shows its boxes and dialogs.
    Form1(Run::Service& run, Host& host, QString programFolder, QWidget* parent = nullptr);
    ~Form1() override;

    /// The start-up order; returns false when the program must end instead.
    bool Form_Load();

    // The job settings, read from the controls at the moment of use.
    bool isSelected(Scope scope) const override;
    QString rowText() const override;
    QString columnText() const override;
    QString resultsFolder() const override;

    /// The window's own pointer; the hourglass is the busy flag.
    enum class Pointer { Default, Hourglass, Custom };
    Pointer mousePointer() const { return m_pointer; }
    void setMousePointer(Pointer pointer);
    bool busy() const { return m_pointer == Pointer::Hourglass; }

    /// The pause after the engine loads a file (tests shorten it).
    void setLoadWaitSeconds(double seconds) { m_loadWait = seconds; }

    /// True while a run started by the Start button is under way.
    bool running() const { return m_running; }

    /// The rows the list shows.
    FileList& fileList() { return m_files; }

    /// Converts twips to this screen's pixels.
    static int twips(int value);

    /// The maker's contact page, shown by Help.
    static const char* const ContactPage;

signals:
    /// The user closed the window: the program is ending.
    void closing();

public slots:
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void PushButton7_Click();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton4_Click();
    void PushButton3_Click();
    void PushButton5_Click();
    void PushButton6_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void setUpListView1();
    void wireControls(const QPalette& white);
    void connectJobSettings();
    void scopeTabStop();
    void restoreJobSettings(StepGuard& step);
    bool validate(QLineEdit* box);
    void Text1_LostFocus();
    void Text2_LostFocus();
    bool checkBeforeLeaving(QEvent* event);
    QWidget* focusTakerAt(QPoint at, Qt::FocusPolicy policy) const;
    void defaultPointerRule();
    void handPointerRule();

    // Removing rows and row dragging on the list.
    void removeSelectedRow();
    void ListView1_KeyDown(int key);
    void ListView1_DblClick();
    void ListView1_MouseDown(const QPoint& position);
    void ListView1_MouseMove(const QPoint& position);
    void ListView1_MouseUp();
    bool ListView1_OLEDragOver(QDragMoveEvent* event);
    void ListView1_OLEDragDrop(QDropEvent* event);

    Run::Service& m_run;
    FileList m_files;
    Host& m_host;
    const QString m_programFolder;
    double m_loadWait = 2.0;
    bool m_running = false;
    Pointer m_pointer = Pointer::Default;
    QCursor m_customCursor;
    bool m_hasCustomCursor = false;
    bool m_shownBefore = false;
    QPointer<QWindow> m_window; // watched for presses that would take the focus
    bool m_swallowRelease = false;

    SkinFramework SkinFramework1;

    // Row dragging.
    QPersistentModelIndex m_draggedRow;
    bool m_buttonHeld = false;

    QPushButton* PushButton1;
    QPushButton* PushButton2;
    QPushButton* PushButton3;
    QPushButton* PushButton4;
    QPushButton* PushButton5;
    QPushButton* PushButton6;
    QPushButton* PushButton7;
    QTreeView* ListView1;
    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    TextProgressBar* ProgressBar1;
};
