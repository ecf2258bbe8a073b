#pragma once
// Job settings that a test sets directly.

#include "JobSettings.h"

struct TestSettings : JobSettings {
    Scope scope = Scope::EntireSheet;
    QString row = "1";
    QString column = "A";
    QString folder;

    bool isSelected(Scope s) const override { return s == scope; }
    QString rowText() const override { return row; }
    QString columnText() const override { return column; }
    QString resultsFolder() const override { return folder; }
};
