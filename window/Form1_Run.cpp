#include "Form1.h"

#include "ErrorReport.h"
#include "FileUtils.h"
#include "Paths.h"
#include "TextProgressBar.h"

// Hands every listed file to the engine, in list order; a failing file never
// stops the run.
void Form1::PushButton2_Click()
{
    if (m_running)
        return;
    StepGuard step(m_host, ErrorReport::location("Form1", "PushButton2_Click"));
    step(102, [&] { m_running = true; });

    if (m_files.count() == 0) {
        step(138, [&] { m_host.information("No files added."); });
    } else if (!FileUtils::IsFolder(resultsFolder())) {
        step(136, [&] { m_host.information("Folder does not exist. Please select another folder."); });
    } else {
        int rows = 0;
        step(108, [&] { rows = m_files.count(); });
        for (int i = 1; i <= rows && !m_host.quitting(); ++i) {
            QString path;
            // A row taken away meanwhile leaves no path to process.
            if (!step(110, [&] { path = m_files.rowText(i - 1); }))
                continue;
            step(112, [&] {
                const int now = m_files.count();
                if (now == 0)
                    throw std::runtime_error("Division by zero");
                ProgressBar1->setPercent(double(i) / now * 100.0);
            });
            step(114, [&] { ProgressBar1->setText("Processing: " + Paths::GetFileName(path)); });
            step(116, [&] { m_host.letEventsIn(); });
            step(118, [&] { setMousePointer(Pointer::Hourglass); });
            // The boxes of the file's failures were shown as they happened.
            step(122, [&] { m_run.process(path, *this, m_host, {m_loadWait}); });
        }
        if (!m_host.quitting()) {
            step(128, [&] { setMousePointer(Pointer::Default); });
            step(130, [&] { ProgressBar1->setPercent(0); });
            step(132, [&] { ProgressBar1->setText("Progress Bar"); });
            step(134, [&] { m_host.information("Done."); });
        }
    }
    m_running = false;
}
