#pragma once

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>

#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace brisquel {

// Turns a platform's own property-list objects into the values of VexoExtensions/UserDefaults.h
// and back. Every decision lives here: which kind becomes which, the bounds of InputLimits.h, and
// what is refused and why. A platform supplies only calls that read or make one object, so that
// the decisions are tested wherever the code builds, against a tree made for the tests.
//
// read() takes a Source, which looks at objects it does not own:
//   using Node = ...;                           a borrowed reference to one object
//   Kind kind(Node) const;
//   qsizetype size(Node) const;                 UTF-16 units of a text, bytes of data, elements of
//                                               an array, entries of a dictionary
//   QString text(Node) const;
//   std::optional<qint64> integer(Node) const;  none for an integer beyond the signed 64-bit range
//   double real(Node) const;
//   bool boolean(Node) const;
//   double dateSeconds(Node) const;             seconds from 2001-01-01T00:00:00Z
//   QByteArray data(Node) const;
//   std::vector<Node> elements(Node) const;     an array's elements, in order
//   std::vector<std::pair<Node, Node>> entries(Node) const;   a dictionary's keys and values
//
// make() takes a Sink, which makes objects and hands over their ownership in its Node (a null Node
// when the platform could not make one); a container takes over the nodes it is given:
//   Node text(const QString&); Node integer(qint64); Node real(double); Node boolean(bool);
//   Node date(double secondsSinceReference); Node data(const QByteArray&);
//   Node array(std::vector<Node>&); Node dictionary(std::vector<std::pair<Node, Node>>&);
//
// The kinds both ways: QString <-> text; qint64 and the smaller signed and unsigned kinds <->
// integer; double, float <-> real; bool <-> boolean; QDateTime (read in UTC) <-> date; QByteArray
// <-> data; QVariantList, QStringList <-> array; QVariantMap, QVariantHash <-> dictionary.
//
// Where this differs from the Linux files' reader (VexoExtensions/PropertyList.h): there is no
// unsigned 64-bit integer, so a number above 2^63 - 1 is refused both ways with a reason, never
// cut down; a date no calendar can show and an object of no property-list kind make the read fail
// with a reason instead of reading as nothing.
class PropertyListTree {
public:
    enum class Kind { Text, Integer, Real, Boolean, Date, Data, Array, Dictionary, Other };

    // Property-list dates count seconds from 2001-01-01T00:00:00Z.
    static constexpr qint64 kReferenceDateMSecs = Q_INT64_C(978307200000);
    // Beyond this (about three million years) a date has no QDateTime form worth giving.
    static constexpr double kLargestDateSeconds = 1e14;

    static std::optional<QDateTime> dateFromSeconds(double seconds) {
        if (!std::isfinite(seconds) || std::fabs(seconds) > kLargestDateSeconds)
            return std::nullopt;
        return QDateTime::fromMSecsSinceEpoch(kReferenceDateMSecs + std::llround(seconds * 1000.0), Qt::UTC);
    }
    static double secondsFromDate(const QDateTime& date) {
        return static_cast<double>(date.toMSecsSinceEpoch() - kReferenceDateMSecs) / 1000.0;
    }

    // The value of a tree, within the bounds; `what` names it in the reasons ("The value of \"k\" in
    // preferences domain \"d\"").
    template <typename Source>
    static vexo::Expected<QVariant> read(const Source& source, typename Source::Node node,
                                         const QString& what) {
        Reading<Source> reading(source, what);
        QVariant value = reading.value(node, 0);
        if (!reading.failure)
            return reading.failure;
        return value;
    }

    // A new tree for a value; the reason (Refused) when the value has no property-list form here,
    // NotStored when the platform could not make an object.
    template <typename Sink>
    static vexo::Expected<typename Sink::Node> make(Sink& sink, const QVariant& value) {
        Making<Sink> making(sink);
        typename Sink::Node node = making.node(value, 0);
        if (!making.failure)
            return making.failure;
        return node;
    }

private:
    static QString number(qint64 value) { return QString::number(value); }

    template <typename Source> struct Reading {
        using Node = typename Source::Node;

        Reading(const Source& s, QString w) : source(s), what(std::move(w)) {}

        QVariant value(Node node, int depth) {
            if (depth > vexo::limits::kPropertyListDepth)
                return fail(vexo::Status::TooLarge, QStringLiteral("nests containers more than ") +
                                                        number(vexo::limits::kPropertyListDepth) +
                                                        QStringLiteral(" levels deep"));
            if (!roomFor(1))
                return {};
            ++m_values;
            switch (source.kind(node)) {
            case Kind::Text:
                return countBytes(source.size(node)) ? QVariant(source.text(node)) : QVariant();
            case Kind::Integer:
                if (const std::optional<qint64> integer = source.integer(node))
                    return QVariant::fromValue(*integer);
                return fail(vexo::Status::TooLarge,
                            QStringLiteral("holds an integer outside the signed 64-bit range "
                                           "(-9223372036854775808 to 9223372036854775807)"));
            case Kind::Real:
                return QVariant(source.real(node));
            case Kind::Boolean:
                return QVariant(source.boolean(node));
            case Kind::Date:
                if (const std::optional<QDateTime> date = dateFromSeconds(source.dateSeconds(node)))
                    return QVariant(*date);
                return fail(vexo::Status::Malformed, QStringLiteral("holds a date no calendar can show"));
            case Kind::Data:
                return countBytes(source.size(node)) ? QVariant(source.data(node)) : QVariant();
            case Kind::Array:
                return array(node, depth);
            case Kind::Dictionary:
                return dictionary(node, depth);
            case Kind::Other:
                break;
            }
            return fail(vexo::Status::Malformed, QStringLiteral("holds an object of no property-list kind"));
        }

        QVariant array(Node node, int depth) {
            // Checked before the elements are listed: a container that names one object millions
            // of times is refused without listing them.
            if (!roomFor(source.size(node)))
                return {};
            QVariantList list;
            for (const Node element : source.elements(node)) {
                list.append(value(element, depth + 1));
                if (!failure)
                    return {};
            }
            return list;
        }

        QVariant dictionary(Node node, int depth) {
            if (!roomFor(source.size(node)))
                return {};
            QVariantMap map;
            for (const auto& [key, element] : source.entries(node)) {
                if (source.kind(key) != Kind::Text)
                    return fail(vexo::Status::Malformed,
                                QStringLiteral("holds a dictionary key that is not text"));
                if (!countBytes(source.size(key)))
                    return {};
                const QString name = source.text(key);
                map.insert(name, value(element, depth + 1));
                if (!failure)
                    return {};
            }
            return map;
        }

        // Whether this many more values stay within the bound; each value counts itself when read.
        bool roomFor(qint64 more) {
            if (m_values + more <= vexo::limits::kPropertyListValues)
                return true;
            fail(vexo::Status::TooLarge, QStringLiteral("holds more than ") +
                                             number(vexo::limits::kPropertyListValues) +
                                             QStringLiteral(" values"));
            return false;
        }

        bool countBytes(qint64 more) {
            m_bytes += more;
            if (m_bytes <= vexo::limits::kPropertyListContentBytes)
                return true;
            fail(vexo::Status::TooLarge, QStringLiteral("holds more than ") +
                                             number(vexo::limits::kPropertyListContentBytes) +
                                             QStringLiteral(" bytes of text and data"));
            return false;
        }

        QVariant fail(vexo::Status status, const QString& why) {
            if (failure)
                failure = vexo::Result::failure(status, what + QLatin1Char(' ') + why);
            return {};
        }

        const Source& source;
        QString what;
        vexo::Result failure;
        qint64 m_values = 0;
        qint64 m_bytes = 0;
    };

    template <typename Sink> struct Making {
        using Node = typename Sink::Node;

        explicit Making(Sink& s) : sink(s) {}

        Node node(const QVariant& value, int depth) {
            if (depth > vexo::limits::kPropertyListDepth)
                return refuse(QStringLiteral("it nests containers more than ") +
                              number(vexo::limits::kPropertyListDepth) + QStringLiteral(" levels deep"));
            switch (value.typeId()) {
            case QMetaType::Bool:
                return made(sink.boolean(value.toBool()));
            case QMetaType::Char:
            case QMetaType::SChar:
            case QMetaType::Short:
            case QMetaType::Int:
            case QMetaType::Long:
            case QMetaType::LongLong:
                return made(sink.integer(value.toLongLong()));
            case QMetaType::UChar:
            case QMetaType::UShort:
            case QMetaType::UInt:
            case QMetaType::ULong:
            case QMetaType::ULongLong: {
                const quint64 integer = value.toULongLong();
                if (integer > static_cast<quint64>(std::numeric_limits<qint64>::max()))
                    return refuse(QStringLiteral("the integer ") + QString::number(integer) +
                                  QStringLiteral(" is above 9223372036854775807, the largest this "
                                                 "platform's preferences hold"));
                return made(sink.integer(static_cast<qint64>(integer)));
            }
            case QMetaType::Float:
            case QMetaType::Double:
                return made(sink.real(value.toDouble()));
            case QMetaType::QString:
                return text(value.toString(), QStringLiteral("a text"));
            case QMetaType::QByteArray:
                return made(sink.data(value.toByteArray()));
            case QMetaType::QDateTime: {
                const QDateTime date = value.toDateTime();
                if (!date.isValid())
                    return refuse(QStringLiteral("it holds a date that is not valid"));
                return made(sink.date(secondsFromDate(date)));
            }
            case QMetaType::QStringList: {
                QVariantList list;
                for (const QString& element : value.toStringList())
                    list.append(element);
                return array(list, depth);
            }
            case QMetaType::QVariantList:
                return array(value.toList(), depth);
            case QMetaType::QVariantMap:
                return dictionary(value.toMap(), depth);
            case QMetaType::QVariantHash:
                return dictionary(value.toHash(), depth);
            default:
                break;
            }
            return refuse(value.isValid() ? QStringLiteral("it holds a value of the kind ") +
                                                QString::fromLatin1(value.metaType().name())
                                          : QStringLiteral("it holds no value"));
        }

        Node text(const QString& text, const QString& role) {
            // Kept as the Linux files keep them: a NUL would end the text there, and broken UTF-16
            // names no characters.
            if (text.contains(QChar(u'\0')))
                return refuse(role + QStringLiteral(" holds a NUL character"));
            if (!text.isValidUtf16())
                return refuse(role + QStringLiteral(" is not valid UTF-16"));
            return made(sink.text(text));
        }

        Node array(const QVariantList& list, int depth) {
            std::vector<Node> elements;
            elements.reserve(static_cast<size_t>(list.size()));
            for (const QVariant& element : list) {
                elements.push_back(node(element, depth + 1));
                if (!failure)
                    return Node();
            }
            return made(sink.array(elements));
        }

        Node dictionary(const auto& map, int depth) {
            std::vector<std::pair<Node, Node>> entries;
            entries.reserve(static_cast<size_t>(map.size()));
            for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
                Node key = text(it.key(), QStringLiteral("a dictionary key"));
                if (!failure)
                    return Node();
                Node element = node(it.value(), depth + 1);
                if (!failure)
                    return Node();
                entries.emplace_back(std::move(key), std::move(element));
            }
            return made(sink.dictionary(entries));
        }

        Node made(Node node) {
            if (!node && failure)
                failure = vexo::Result::failure(vexo::Status::NotStored,
                                                QStringLiteral("the system could not make a property-list "
                                                               "object (it may be out of memory)"));
            return node;
        }

        Node refuse(const QString& why) {
            if (failure)
                failure = vexo::Result::failure(
                    vexo::Status::Refused, QStringLiteral("the value has no property-list form: ") + why);
            return Node();
        }

        Sink& sink;
        vexo::Result failure;
    };
};

} // namespace brisquel
