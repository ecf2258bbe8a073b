#pragma once
// How two cell texts are taken to be the same: exactly (the window's way), or
// by a key that leaves out what a person does not see as a difference.

#include <QString>

#include <optional>

enum class Match {
    Exact, ///< character for character
    Case, ///< letters without regard to case (full Unicode case folding: "ß" is "SS")
    Space, ///< white space at the ends left out, every run inside one blank (no-break spaces too)
    Loose, ///< both, after compatibility normalisation (NFKC: "Ａ" is "A", "ﬁ" is "fi")
};

/// The mode of its name ("exact", "case", "space", "loose"); nothing for another.
std::optional<Match> matchMode(const QString& name);

/// What the text is compared by.
QString matchKey(const QString& text, Match match);
