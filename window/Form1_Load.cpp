#include "Form1.h"

#include "CursorFile.h"
#include "ErrorReport.h"
#include "FileUtils.h"
#include "StartUp.h"

#include <QHeaderView>
#include <QIcon>
#include <QTreeWidget>

bool Form1::Form_Load()
{
    StepGuard step(ErrorReport::location("Form1", "Form_Load"));
    bool hasHand = false;
    step(104, [&] { hasHand = FileUtils::FileExists(m_programFolder + "/HAND-M.CUR"); });
    if (hasHand)
        step(106, [&] {
            m_customCursor = CursorFile::load(m_programFolder + "/HAND-M.CUR");
            m_hasCustomCursor = true;
        });
    step(126, [&] {
        setWindowTitle(StartUp::ProductName);
        setWindowIcon(QIcon(m_programFolder + "/cellwinnow.ico"));
        StartUp::SetAppTitle();
    });
    step(128, [&] { ListView1->setHeaderLabels({"Calc File(s)"}); });
    step(130, [&] { ListView1->setColumnWidth(0, twips(7000)); });
    return true;
}
