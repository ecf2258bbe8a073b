#pragma once
// The per-user settings: strings under application "Tamberlin", section
// "Cellwinnow", in Tamberlin.conf of the user's configuration folder. Written
// the moment a value changes; never deleted.

#include <QString>

namespace SettingsStore {

QString read(const QString& key, const QString& defaultValue = {});
void write(const QString& key, const QString& value);

/// The settings file now in use ($XDG_CONFIG_HOME/Tamberlin.conf here).
QString filePath();

} // namespace SettingsStore
