#pragma once
// What steers a run, as the engine reads it: at the moment of use, from
// whoever holds the values (the main window, or a test).

#include <QString>

enum class Scope { SingleRow = 1, SingleColumn = 2, EntireSheet = 3 };

class JobSettings {
public:
    virtual ~JobSettings() = default;
    virtual bool isSelected(Scope scope) const = 0;
    virtual QString rowText() const = 0;
    virtual QString columnText() const = 0;
    virtual QString resultsFolder() const = 0;
};
