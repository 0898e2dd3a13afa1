#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/UserDefaults.h"

#include <QByteArray>
#include <QUrl>
#include <optional>

// File addresses kept in the user's preferences domain in a form that can be handed back as a file
// address later (the platform's security-scoped bookmark, where it has one).
//
// The stored form on this platform: the bytes "vexo-bookmark/1" and a line feed, followed by the
// file's absolute path as a percent-encoded file: URL. It is stored as data (a QByteArray value)
// and meant to be opaque: read it only through secureURL().
namespace brisquel::vexo {

// Stores the bookmark of url under key. The key is removed instead when url is none, or when no
// bookmark can be made: url is not a local file address, or names nothing that exists.
// Returns false when the preferences domain could not store the change (see UserDefaults).
BRISQUEL_EXPORT bool setSecureURL(UserDefaults& defaults, const std::optional<QUrl>& url, const QString& key);

// The file address whose bookmark is stored under key; none when the key holds nothing, holds
// something that is not data, holds data that is not such a bookmark, or names a file that no
// longer exists. The preferences domain is not changed (an outdated bookmark is not refreshed).
BRISQUEL_EXPORT std::optional<QUrl> secureURL(const UserDefaults& defaults, const QString& key);

// The bookmark form itself: none when the address cannot be bookmarked (see setSecureURL).
BRISQUEL_EXPORT std::optional<QByteArray> bookmarkData(const QUrl& url);
// The address a bookmark resolves to: none when it does not resolve (see secureURL).
BRISQUEL_EXPORT std::optional<QUrl> resolveBookmarkData(const QByteArray& bookmark);

} // namespace brisquel::vexo
