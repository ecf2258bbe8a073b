#include "Form1.h"

#include "CursorFile.h"
#include "ErrorReport.h"
#include "FileUtils.h"
#include "OfficeCheck.h"
#include "Samples.h"
#include "ShippedFiles.h"
#include "Skin.h"
#include "StartUp.h"

#include <QHeaderView>
#include <QIcon>
#include <QTreeView>

// The start-up order. The window is shown only after it, and not at all when
// no office answers.
bool Form1::Form_Load()
{
    StepGuard step(m_host, ErrorReport::location("Form1", "Form_Load"));
    step(100, [&] { Skin::ApplySkin(this, m_programFolder, SkinFramework1); });
    bool hasHand = false;
    step(104, [&] { hasHand = FileUtils::FileExists(m_programFolder + '/' + ShippedFiles::HandCursor); });
    if (hasHand)
        step(106, [&] {
            m_customCursor = CursorFile::load(m_programFolder + '/' + ShippedFiles::HandCursor);
            m_hasCustomCursor = true;
        });
    step(126, [&] {
        setWindowTitle(StartUp::ProductName);
        setWindowIcon(QIcon(m_programFolder + '/' + ShippedFiles::WindowIcon));
        StartUp::SetAppTitle(m_host);
    });
    step(128, [&] { m_files.setHeaderText("Calc File(s)"); });
    step(130, [&] { ListView1->setColumnWidth(0, twips(7000)); });
    restoreJobSettings(step);
    bool officeFound = true;
    step(158, [&] { officeFound = OfficeCheck::CheckOpenOfficeInstalled(m_run, m_host); });
    return officeFound;
}

void Form1::PushButton3_Click()
{
    StepGuard step(m_host, ErrorReport::location("Form1", "PushButton3_Click"));
    step(100, [&] { Samples::LoadSampleFiles(m_files, m_programFolder, m_host); });
}
