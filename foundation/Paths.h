#pragma once
// Path text helpers. They work on text only (no file-system access) and on
// either separator style, so the same rules serve native and Windows paths.

#include <QString>

namespace Paths {

enum class Style {
    Windows, // "\" separates; a leading pair marks a network path
    Posix, // "/" separates; a leading run is the root
};

/// The style of this platform's own paths.
Style nativeStyle();
QChar separator(Style style = nativeStyle());

/// Text after the last separator; the whole path when there is none.
QString GetFileName(const QString& path, Style style = nativeStyle());

/// Text after the last "." of s; s itself when it has no dot or only a leading one.
/// A dot in a folder name counts when the file name has none.
QString GetExtension(const QString& s);

/// The path without the separators it ends in, but for a root ("/").
QString WithoutTrailingSeparators(QString path, Style style = nativeStyle());

/// Replaces each pair of consecutive separators by one, in a single pass.
/// A leading run becomes the style's prefix: "\\" (network path) or "/" (root).
QString CollapseBackslashes(const QString& path, Style style = nativeStyle());

/// The file name of path with its extension replaced by newExtension; a name
/// without a dot (or with only a leading one) gets "." and newExtension appended.
QString ReplaceExtension(const QString& fileName, const QString& newExtension);

/// Reads a leading number as BASIC's Val does: blanks skipped, optional sign,
/// digits, "." fraction, exponent; anything else ends it; no number reads as 0.
double LeadingNumber(const QString& text);

/// Whether the whole text is a number under the user's locale (blanks around,
/// sign, fraction, exponent): the test of the row and column boxes.
bool IsNumeric(const QString& text);

} // namespace Paths
