#pragma once

#include "app/ValueTransformer.h"

namespace quillmere {

// Between a file URL and its path text: a stored path is shown as a file, and a chosen file is
// stored as a path.
//
// Forward, a URL (QUrl) gives the URL's decoded path text, without scheme or escapes; reverse, a
// text (QString) gives the file URL for that path, a relative path being taken from the current
// folder. Anything else, an empty text and no value give no value in either direction.
class URLTransformer final : public ValueTransformer {
public:
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;

    // The name the transformer is offered under: "URLTransformer".
    static QStringList valueTransformerNames();
    // Offers a transformer under each of its names (done once at start-up).
    static void registerTransformers();
};

} // namespace quillmere
