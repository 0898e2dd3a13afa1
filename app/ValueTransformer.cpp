#include "app/ValueTransformer.h"

#include <QHash>
#include <QMutex>

namespace quillmere {

namespace {

struct Registry {
    QMutex mutex;
    QHash<QString, std::shared_ptr<const ValueTransformer>> transformers;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

QVariant ValueTransformer::reverseTransformedValue(const QVariant& /*value*/) const {
    return {};
}

std::shared_ptr<const ValueTransformer> ValueTransformer::forName(const QString& name) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return r.transformers.value(name);
}

void ValueTransformer::setValueTransformer(std::shared_ptr<const ValueTransformer> transformer,
                                           const QString& name) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    if (transformer) {
        r.transformers.emplace(name, std::move(transformer));
    } else {
        r.transformers.remove(name);
    }
}

QStringList ValueTransformer::registeredNames() {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    QStringList names = r.transformers.keys();
    names.sort();
    return names;
}

} // namespace quillmere
