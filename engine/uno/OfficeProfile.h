#pragma once
// The office's private profile, and what the office may reach. The documents
// are untrusted and nobody sees the office: it runs no macros, fetches and
// updates no links, keeps the stored formula results, makes no thumbnails, and
// keeps no content provider beyond local files. It makes no lock files, which a
// dead office would leave beside the user's documents, and knows its version
// has run, or every start would draw test pictures.

#include <com/sun/star/uno/XComponentContext.hpp>

#include <QString>

namespace office_profile {

// An office that takes its version for new draws test pictures for some
// seconds at every start, and headless nothing ever records that they ran.
// A new profile is given the installed office's version (from its
// configuration, share/registry/main.xcd beside program/) as the last one
// that ran, before the office first starts.
void seedProfile(const QString& profile, const QString& binary);

/// The settings, made through the connected office; each says why it is there.
void configureProfile(const css::uno::Reference<css::uno::XComponentContext>& context);

// The office reaches other machines through its content providers (web,
// WebDAV, FTP, CMIS, ...); all but those for local files and the office's
// own schemes are taken away, so that whatever part of the office follows a
// link finds no way to fetch it.
void keepContentLocal(const css::uno::Reference<css::uno::XComponentContext>& context);

} // namespace office_profile
