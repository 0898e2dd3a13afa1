#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

namespace quillmere {

// Converts a value of one kind into another (and, when it allows it, back), so that a stored
// form and a shown form of a setting can be bound to each other. Transformers are offered to
// the rest of the program by name.
class ValueTransformer {
public:
    virtual ~ValueTransformer() = default;

    // The result kind the transformer declares; an invalid type declares none.
    virtual QMetaType transformedValueClass() const { return {}; }
    virtual bool allowsReverseTransformation() const { return false; }

    // The value given back unchanged unless a subclass knows better.
    virtual QVariant transformedValue(const QVariant& value) const { return value; }
    // Only meaningful when allowsReverseTransformation() is true; none otherwise.
    virtual QVariant reverseTransformedValue(const QVariant& value) const;

    // The transformer registered under a name; null when there is none.
    static std::shared_ptr<const ValueTransformer> forName(const QString& name);
    // Registers a transformer under a name, replacing any before it.
    static void setValueTransformer(std::shared_ptr<const ValueTransformer> transformer, const QString& name);
    // The names registered so far.
    static QStringList registeredNames();
};

} // namespace quillmere
