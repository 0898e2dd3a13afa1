#include "VexoExtensions/FileURLUtilities.h"

#include "VexoExtensions/StringUtilities.h"

namespace brisquel::vexo {

namespace {

// A URL's path split around its last component.
struct PathParts {
    QString folder;    // everything up to and including the last "/" before the component
    QString component; // the last component
    bool trailingSlash = false;

    QString extension() const {
        const qsizetype dot = component.lastIndexOf(QLatin1Char('.'));
        if (dot <= 0 || dot == component.size() - 1)
            return {};
        return component.mid(dot + 1);
    }
    QString stem() const {
        const QString ext = extension();
        return ext.isEmpty() ? component : component.left(component.size() - ext.size() - 1);
    }
};

PathParts split(const QUrl& url) {
    PathParts parts;
    QString path = url.path(QUrl::FullyDecoded);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
        parts.trailingSlash = true;
    }
    if (path == QLatin1String("/")) {
        parts.folder = path;
        return parts;
    }
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    parts.folder = path.left(slash + 1);
    parts.component = path.mid(slash + 1);
    return parts;
}

QUrl withComponent(const QUrl& url, const PathParts& parts, const QString& component) {
    QUrl result = url;
    QString path = parts.folder + component;
    if (parts.trailingSlash)
        path += QLatin1Char('/');
    result.setPath(path, QUrl::DecodedMode);
    return result;
}

QString withExtension(const QString& name, const QString& extension) {
    return extension.isEmpty() ? name : name + QLatin1Char('.') + extension;
}

} // namespace

QString lastPathComponent(const QUrl& url) {
    return split(url).component;
}

QString pathExtension(const QUrl& url) {
    return split(url).extension();
}

QUrl incrementingCounter(const QUrl& url, qint64 start, qint64 step, const QString& format,
                         const QString& delimiter) {
    const PathParts parts = split(url);
    const QString name = incrementingCounter(parts.stem(), start, step, format, delimiter);
    return withComponent(url, parts, withExtension(name, parts.extension()));
}

void incrementCounter(QUrl& url, qint64 start, qint64 step, const QString& format, const QString& delimiter) {
    url = incrementingCounter(url, start, step, format, delimiter);
}

QUrl replacingPathExtension(const QUrl& url, const QString& extension) {
    const PathParts parts = split(url);
    return withComponent(url, parts, withExtension(parts.stem(), extension));
}

void replacePathExtension(QUrl& url, const QString& extension) {
    url = replacingPathExtension(url, extension);
}

QUrl replacingLastPathComponent(const QUrl& url, const QString& name, bool preserveExtension) {
    const PathParts parts = split(url);
    return withComponent(url, parts, preserveExtension ? withExtension(name, parts.extension()) : name);
}

void replaceLastPathComponent(QUrl& url, const QString& name, bool preserveExtension) {
    url = replacingLastPathComponent(url, name, preserveExtension);
}

} // namespace brisquel::vexo
