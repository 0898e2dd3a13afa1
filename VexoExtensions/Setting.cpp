#include "VexoExtensions/Setting.h"

#include <QChar>
#include <QList>
#include <QMutex>

namespace brisquel::vexo {

namespace {

struct Observer {
    SettingObservers::Id id;
    QString domain;
    QString key;
    std::function<void()> check;
};

struct Registry {
    QMutex mutex;
    QList<Observer> observers;
    SettingObservers::Id nextId = 1;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

// The white space the platform's reading of a text as a boolean skips: spaces (Unicode category
// Zs) and tabs, not line breaks.
bool isBlank(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

bool SettingValue<bool>::fromStored(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::LongLong:
    case QMetaType::Int:
        return value.toLongLong() != 0;
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        return value.toULongLong() != 0;
    case QMetaType::Double: {
        const double number = value.toDouble();
        // Not zero: a NaN is true.
        return !(number == 0.0);
    }
    case QMetaType::QString: {
        const QString text = value.toString();
        qsizetype i = 0;
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            ++i;
        }
        while (i < text.size() && text[i] == u'0') {
            ++i;
        }
        if (i == text.size()) {
            return false;
        }
        const QChar next = text[i];
        return next == u'Y' || next == u'y' || next == u'T' || next == u't' || (next >= u'1' && next <= u'9');
    }
    default:
        return false;
    }
}

SettingObservers::Id SettingObservers::add(const QString& domain, const QString& key,
                                           std::function<void()> check) {
    Registry& all = registry();
    QMutexLocker lock(&all.mutex);
    const Id id = all.nextId++;
    all.observers.append(Observer{id, domain, key, std::move(check)});
    return id;
}

void SettingObservers::remove(Id id) {
    Registry& all = registry();
    QMutexLocker lock(&all.mutex);
    all.observers.removeIf([id](const Observer& observer) { return observer.id == id; });
}

void SettingObservers::tell(const QString& domain, const QString& key) {
    Registry& all = registry();
    QList<Id> told;
    {
        QMutexLocker lock(&all.mutex);
        for (const Observer& observer : all.observers) {
            if (observer.domain == domain && observer.key == key) {
                told.append(observer.id);
            }
        }
    }
    // One at a time, each looked up again: a call may end its own observation or another.
    for (const Id id : told) {
        std::function<void()> check;
        {
            QMutexLocker lock(&all.mutex);
            for (const Observer& observer : all.observers) {
                if (observer.id == id) {
                    check = observer.check;
                }
            }
        }
        if (check) {
            check();
        }
    }
}

} // namespace brisquel::vexo
