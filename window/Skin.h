#pragma once
// The window's optional skin: "x/o.cjs" beside the program, a Qt style sheet.

#include <QString>

class QWidget;

/// Holds a loaded skin and puts it on a window.
class SkinFramework {
public:
    /// Reads the skin; throws std::runtime_error when it cannot be read.
    void LoadSkin(const QString& path, const QString& iniSection);
    int options = 0;
    /// Skin the window's dialogs and message boxes too.
    bool applyToDialogs = false;
    /// Skin the window's frame parts the style draws.
    bool applyToFrames = false;
    void ApplyWindow(QWidget* window);

private:
    QString m_styleSheet;
};

namespace Skin {

/// The skin file's path for a program folder.
QString SkinFile(const QString& programFolder);

/// With the skin file present: the window, its option buttons, check boxes,
/// frames and labels take the button-face colour, and the skin is applied.
/// Without it nothing changes. Failures pass to the caller.
void ApplySkin(QWidget* window, const QString& programFolder, SkinFramework& skin);

} // namespace Skin
