#include "core/AssignmentProfile.h"

#include "VexoExtensions/FileReading.h"
#include "core/BackgroundScript.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace brisquel {

namespace {

using vexo::Result;
using vexo::Status;

const QString kFormat = QStringLiteral("quillmere-assignments");

// The format nests three levels (document, list of scripts, script). Qt's parser stops at a depth
// of its own far above that; deeper nesting is refused before it is parsed, so that no parse of
// a hostile document runs deep.
constexpr int kDeepestNesting = 8;

// How deep arrays and objects nest in a JSON text, counting only brackets outside strings.
bool nestsDeeperThan(const QByteArray& text, int limit) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

} // namespace

QString AssignmentProfile::portablePath(const QString& path, const QString& home) {
    const QString base = QDir::cleanPath(home);
    if (base.isEmpty() || base == QLatin1String("/"))
        return path;
    if (path == base)
        return QStringLiteral("~");
    if (path.startsWith(base + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(base.size());
    return path;
}

QString AssignmentProfile::expandedPath(const QString& written, const QString& home) {
    if (written == QLatin1String("~"))
        return QDir::cleanPath(home);
    if (written.startsWith(QLatin1String("~/")))
        return QDir::cleanPath(home) + written.mid(1);
    return written;
}

QByteArray AssignmentProfile::toJson(const QString& home) const {
    QJsonArray list;
    for (const Script& script : scripts) {
        list.append(QJsonObject{{QStringLiteral("key"), script.key},
                                {QStringLiteral("title"), script.title},
                                {QStringLiteral("path"), portablePath(script.path, home)}});
    }
    const QJsonObject document{
        {QStringLiteral("format"), kFormat},
        {QStringLiteral("formatVersion"), kFormatVersion},
        {QStringLiteral("source"), QJsonObject{{QStringLiteral("name"), source.name},
                                               {QStringLiteral("bundleIdentifier"), source.bundleIdentifier},
                                               {QStringLiteral("version"), source.version}}},
        {QStringLiteral("scripts"), list}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

vexo::Expected<AssignmentProfile> AssignmentProfile::fromJson(const QByteArray& document,
                                                              const QString& origin, const QString& home) {
    const auto refuse = [&](Status status, const QString& why) {
        return Result::failure(
            status, origin + QStringLiteral(" is not an assignment profile this program reads: ") + why);
    };
    const auto malformed = [&](const QString& why) { return refuse(Status::Malformed, why); };
    if (document.size() > kLongestDocument)
        return refuse(Status::TooLarge, QStringLiteral("it is larger than ") +
                                            QString::number(kLongestDocument / vexo::limits::kMebibyte) +
                                            QStringLiteral(" MB"));
    if (nestsDeeperThan(document, kDeepestNesting))
        return refuse(Status::TooLarge, QStringLiteral("its JSON nests deeper than ") +
                                            QString::number(kDeepestNesting) + QStringLiteral(" levels"));
    QJsonParseError error{};
    const QJsonDocument parsed = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError)
        return malformed(QStringLiteral("its JSON is malformed: ") + error.errorString() +
                         QStringLiteral(" at byte ") + QString::number(error.offset));
    if (!parsed.isObject())
        return malformed(QStringLiteral("it is not a JSON object"));
    const QJsonObject root = parsed.object();
    if (root.value(QStringLiteral("format")).toString() != kFormat)
        return malformed(QStringLiteral("its \"format\" is not \"") + kFormat + QLatin1Char('"'));
    const QJsonValue version = root.value(QStringLiteral("formatVersion"));
    if (!version.isDouble() || version.toDouble() != double(version.toInt()) || version.toInt() < 1)
        return malformed(QStringLiteral("its \"formatVersion\" is not a whole number from 1"));
    if (version.toInt() > kFormatVersion)
        return refuse(Status::Refused,
                      QStringLiteral("it has format version ") + QString::number(version.toInt()) +
                          QStringLiteral(", and this program reads up to version ") +
                          QString::number(kFormatVersion) + QStringLiteral("; update Quillmere"));

    AssignmentProfile profile;
    const QJsonValue source = root.value(QStringLiteral("source"));
    if (!source.isObject())
        return malformed(QStringLiteral("its \"source\" is not an object"));
    const auto text = [&](const QJsonObject& object, const char* field, const QString& where,
                          QString& into) -> Result {
        const QJsonValue value = object.value(QLatin1String(field));
        if (!value.isString())
            return malformed(where + QStringLiteral("\"") + QLatin1String(field) +
                             QStringLiteral("\" is not a text"));
        into = value.toString();
        return {};
    };
    const QJsonObject sourceObject = source.toObject();
    for (const auto& [field, into] : {std::pair{"name", &profile.source.name},
                                      std::pair{"bundleIdentifier", &profile.source.bundleIdentifier},
                                      std::pair{"version", &profile.source.version}}) {
        if (Result read = text(sourceObject, field, QStringLiteral("its source's "), *into); !read)
            return read;
    }
    const QJsonValue scripts = root.value(QStringLiteral("scripts"));
    if (!scripts.isArray())
        return malformed(QStringLiteral("its \"scripts\" is not a list"));
    const QJsonArray list = scripts.toArray();
    if (list.size() > kMostScripts)
        return refuse(Status::TooLarge, QStringLiteral("it lists more than ") +
                                            QString::number(kMostScripts) + QStringLiteral(" scripts"));
    QSet<QString> keys;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString where = QStringLiteral("script ") + QString::number(i + 1) + QStringLiteral("'s ");
        if (!list.at(i).isObject())
            return malformed(QStringLiteral("script ") + QString::number(i + 1) +
                             QStringLiteral(" is not an object"));
        const QJsonObject object = list.at(i).toObject();
        Script script;
        for (const auto& [field, into] : {std::pair{"key", &script.key}, std::pair{"title", &script.title},
                                          std::pair{"path", &script.path}}) {
            if (Result read = text(object, field, where, *into); !read)
                return read;
        }
        if (script.key.isEmpty())
            return malformed(where + QStringLiteral("\"key\" is empty"));
        if (keys.contains(script.key))
            return malformed(QStringLiteral("the key \"") + script.key +
                             QStringLiteral("\" is listed twice"));
        keys.insert(script.key);
        const QString written = script.path;
        script.path = expandedPath(written, home);
        if (!QDir::isAbsolutePath(script.path) || written.contains(QChar(u'\0')))
            return malformed(where + QStringLiteral("path \"") + written +
                             QStringLiteral("\" is neither absolute nor inside the home folder (\"~/\")"));
        profile.scripts.append(std::move(script));
    }
    return profile;
}

vexo::Expected<AssignmentProfile> AssignmentProfile::readFile(const QString& path, const QString& home) {
    const vexo::Expected<QByteArray> bytes = vexo::readRegularFile(path, kLongestDocument);
    if (!bytes)
        return bytes.result();
    return fromJson(*bytes, path, home);
}

vexo::Expected<AssignmentProfile> AssignmentProfile::ofScripts(Source source,
                                                               const QList<BackgroundScript>& scripts) {
    const vexo::Expected<QList<std::optional<QUrl>>> files = BackgroundScript::readUrls(scripts);
    if (!files)
        return files.result();
    AssignmentProfile profile;
    profile.source = std::move(source);
    for (qsizetype i = 0; i < scripts.size(); ++i) {
        if (files->at(i))
            profile.scripts.append(
                {scripts[i].defaultsScriptName(), scripts[i].displayName(), files->at(i)->toLocalFile()});
    }
    return profile;
}

} // namespace brisquel
