#include "SettingsStore.h"

#include <QSettings>
#include <QStandardPaths>

namespace SettingsStore {

static constexpr const char* Section = "Cellwinnow";

QString filePath()
{
    // Looked up on every use, so a changed configuration folder (a test's) counts.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Tamberlin.conf";
}

QString read(const QString& key, const QString& defaultValue)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.beginGroup(Section);
    return settings.value(key, defaultValue).toString();
}

void write(const QString& key, const QString& value)
{
    QSettings settings(filePath(), QSettings::IniFormat);
    settings.beginGroup(Section);
    settings.setValue(key, value);
    settings.sync();
}

} // namespace SettingsStore
