#include "Form1.h"

#include "TextProgressBar.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeView>

namespace {

QFont arial(double points)
{
    QFont font("Arial");
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

} // namespace

int Form1::twips(int value)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return qRound(value * dpi / 1440.0);
}

Form1::Form1(Run::Service& run, Host& host, QString programFolder, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_run(run)
    , m_host(host)
    , m_programFolder(std::move(programFolder))
{
    setObjectName("Form1");
    setFixedSize(twips(8040), twips(7125));
    setFont(arial(9));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Button, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setMouseTracking(true);
    buildControls();
    wireControls(white);
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    auto place = [](QWidget* w, const char* name, int left, int top, int width, int height) {
        w->setObjectName(name);
        w->setGeometry(twips(left), twips(top), twips(width), twips(height));
        w->setMouseTracking(true);
        return w;
    };
    auto button = [&](QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h) {
        auto* b = new QPushButton(QString::fromUtf8(caption), parent);
        place(b, name, l, t, w, h);
        b->setFont(arial(11.25));
        return b;
    };

    PushButton6 = button(this, "PushButton6", "Help", 120, 120, 7800, 405);
    ListView1 = new QTreeView(this);
    place(ListView1, "ListView1", 120, 630, 7800, 2535);
    setUpListView1();
    PushButton1 = button(this, "PushButton1", "Add Calc File(s)", 120, 3250, 3840, 405);
    PushButton4 = button(this, "PushButton4", "Add All Calc Files In Folder", 4080, 3250, 3840, 405);
    PushButton5 = button(this, "PushButton5", "Clear List", 120, 3760, 3840, 405);
    PushButton3 = button(this, "PushButton3", "Load Sample/Example Files", 4080, 3760, 3840, 405);

    Frame1 = new QGroupBox("Where to look for duplicates?", this);
    place(Frame1, "Frame1", 120, 4230, 7800, 825);
    Option3 = new QRadioButton("Entire Sheet", Frame1);
    place(Option3, "Option3", 240, 375, 1425, 225);
    Option1 = new QRadioButton("Single Row", Frame1);
    place(Option1, "Option1", 1800, 375, 1260, 225);
    Text1 = new QLineEdit(Frame1);
    place(Text1, "Text1", 3120, 315, 540, 375);
    Option2 = new QRadioButton("Single Column", Frame1);
    place(Option2, "Option2", 3840, 375, 1545, 225);
    Text2 = new QLineEdit(Frame1);
    place(Text2, "Text2", 5400, 315, 540, 375);
    Option3->setChecked(true);
    Text1->setEnabled(false);
    Text2->setEnabled(false);

    Frame2 = new QGroupBox("Save Results To This Folder", this);
    place(Frame2, "Frame2", 120, 5130, 7800, 810);
    Text3 = new QLineEdit(Frame2);
    place(Text3, "Text3", 240, 300, 6630, 345);
    PushButton7 = button(Frame2, "PushButton7", "...", 6960, 300, 600, 345);

    PushButton2
        = button(this, "PushButton2", "Start Deleting Duplicate Cells (Except First Instance)", 120, 6075, 7800, 405);
    ProgressBar1 = new TextProgressBar(this);
    place(ProgressBar1, "ProgressBar1", 120, 6600, 7800, 405);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setText("Progress Bar");
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setAlignment(Qt::AlignCenter);

}

void Form1::setUpListView1()
{
    ListView1->setModel(&m_files);
    ListView1->setFont(arial(9));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setDragEnabled(false); // rows move by the window's own drag, never a system drag
    ListView1->header()->setStretchLastSection(false);
    ListView1->setHeaderHidden(false);
    ListView1->viewport()->setMouseTracking(true);
    ListView1->viewport()->setAcceptDrops(true);
    ListView1->setToolTip("Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
                          "window to reveal full names.");
}

// Every control white, the tab order, the window's own handling of their
// events, and the buttons' clicks.
void Form1::wireControls(const QPalette& white)
{
    for (QWidget* w : std::initializer_list<QWidget*>{ListView1, Frame1, Frame2, Option1, Option2, Option3, Text1,
                                                      Text2, Text3, ProgressBar1, PushButton1, PushButton2, PushButton3,
                                                      PushButton4, PushButton5, PushButton6, PushButton7}) {
        w->setPalette(white);
        w->setAutoFillBackground(true);
    }

    // The tab order of the focusable controls.
    const QList<QWidget*> order = {ListView1,   Option1,     Option2,     Option3,     Text1,       Text2, PushButton6,
                                   PushButton1, PushButton4, PushButton2, PushButton5, PushButton3, Text3, PushButton7};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The scope options are one tab stop, the selected one; arrows move between them.
    for (QRadioButton* option : {Option1, Option2, Option3})
        connect(option, &QRadioButton::toggled, this, &Form1::scopeTabStop);
    scopeTabStop();

    for (QWidget* w :
         std::initializer_list<QWidget*>{this, Frame1, Frame2, Option1, Option2, Option3, PushButton1, PushButton2,
                                         PushButton3, PushButton4, PushButton5, PushButton6, PushButton7})
        w->installEventFilter(this);
    ListView1->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);

    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connectJobSettings();
}

void Form1::scopeTabStop()
{
    for (QRadioButton* option : {Option1, Option2, Option3})
        option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

bool Form1::isSelected(Scope scope) const
{
    switch (scope) {
    case Scope::SingleRow: return Option1->isChecked();
    case Scope::SingleColumn: return Option2->isChecked();
    case Scope::EntireSheet: return Option3->isChecked();
    }
    return false;
}

QString Form1::rowText() const
{
    return Text1->text();
}

QString Form1::columnText() const
{
    return Text2->text();
}

QString Form1::resultsFolder() const
{
    return Text3->text();
}
