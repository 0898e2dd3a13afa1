#include "core/platform/macos/CFPreferencesDefaults.h"

#include "core/platform/macos/CFPreferencesObservation.h"
#include "core/platform/macos/CFPropertyList.h"
#include "core/platform/macos/CFText.h"
#include "core/platform/posix/PlistFileDefaults.h"

#include <algorithm>
#include <vector>

namespace brisquel::macos {

using vexo::Result;
using vexo::Status;

namespace {

bool isAcceptableKey(const QString& key) {
    return !key.contains(QChar(u'\0')) && key.isValidUtf16();
}

} // namespace

CFPreferencesDefaults::CFPreferencesDefaults(QString domain, std::shared_ptr<Log> log)
    : m_domain(std::move(domain)), m_log(std::move(log)) {
    if (PlistFileDefaults::isAcceptableDomainName(m_domain))
        m_domainName = makeCFString(m_domain);
}

vexo::Expected<QVariant> CFPreferencesDefaults::read(const QString& key) const {
    vexo::Expected<QVariantList> values = readValues({key});
    if (!values)
        return values.result();
    return values->constFirst();
}

vexo::Expected<QVariantList> CFPreferencesDefaults::readValues(const QStringList& keys) const {
    const QString context =
        QStringLiteral("Preferences domain \"") + m_domain + QStringLiteral("\" cannot be read: ");
    if (!m_domainName)
        return Result::failure(Status::Refused, QStringLiteral("Preferences domain \"") + m_domain +
                                                    QStringLiteral("\" is not a plain reverse-DNS name"));
    const CFStringRef domain = m_domainName.as<CFStringRef>();
    // Brings in what other programs changed. Its answer tells whether this process's own changes
    // reached the daemon, which only a write needs to know; a read goes on with what the daemon has.
    CFPreferencesAppSynchronize(domain);
    QVariantList values;
    values.reserve(keys.size());
    for (const QString& key : keys) {
        if (!isAcceptableKey(key)) {
            values.append(QVariant());
            continue;
        }
        const CFHolder name = makeCFString(key);
        if (!name)
            return Result::failure(Status::NotReadable,
                                   context + QStringLiteral("the key \"") + key +
                                       QStringLiteral("\" cannot be made into a Core Foundation text"));
        const CFHolder value = CFHolder::adopt(CFPreferencesCopyAppValue(name.as<CFStringRef>(), domain));
        vexo::Expected<QVariant> converted =
            variantFromCF(value.get(), QStringLiteral("The value of \"") + key + QLatin1Char('"'));
        if (!converted)
            return converted.result().prefixed(context);
        values.append(std::move(converted).value());
    }
    return values;
}

Result CFPreferencesDefaults::write(const QString& key, const QVariant& value) {
    // In a several-key write no value means a removal; here it is a value that cannot be stored.
    if (!value.isValid())
        return absentValueRefusal(key);
    return writeValues({{key, value, std::nullopt}});
}

Result CFPreferencesDefaults::remove(const QString& key) {
    return writeValues({{key, QVariant(), std::nullopt}});
}

Result CFPreferencesDefaults::writeValues(const QList<KeyChange>& changes) {
    if (changes.isEmpty())
        return {};
    const QString context = changeContext(changes);
    const auto failWith = [&](Status status, const QString& why) {
        return Result::failure(status, context + why);
    };
    if (!m_domainName)
        return failWith(Status::Refused, QStringLiteral("the domain name is not a plain reverse-DNS name"));
    if (Result duplicate = duplicateRefusal(changes); !duplicate)
        return duplicate;
    const CFStringRef domain = m_domainName.as<CFStringRef>();

    // Every key and value is made ready, and every key checked, before anything is written.
    std::vector<CFHolder> names;
    std::vector<CFHolder> newValues;
    for (const KeyChange& change : changes) {
        if (!isAcceptableKey(change.key))
            return failWith(Status::Refused, QStringLiteral("the key \"") + change.key +
                                                 QStringLiteral("\" is not a valid property-list key"));
        CFHolder name = makeCFString(change.key);
        if (!name)
            return failWith(Status::NotStored,
                            QStringLiteral("the key \"") + change.key +
                                QStringLiteral("\" cannot be made into a Core Foundation text"));
        if (CFPreferencesAppValueIsForced(name.as<CFStringRef>(), domain))
            return failWith(Status::Refused, QStringLiteral("an administrator manages \"") + change.key +
                                                 QStringLiteral("\" (a configuration profile sets it), so it "
                                                                "cannot be changed here"));
        CFHolder newValue;
        if (change.value.isValid()) {
            vexo::Expected<CFHolder> made = cfFromVariant(change.value);
            if (!made)
                return failWith(made.result().status(), made.result().message());
            newValue = std::move(made).value();
        }
        names.push_back(std::move(name));
        newValues.push_back(std::move(newValue));
    }

    // The daemon offers no compare-and-swap: the values are compared with what it holds right
    // after a synchronize, which brings in every change another program has made until then.
    if (std::any_of(changes.begin(), changes.end(),
                    [](const KeyChange& c) { return c.expected.has_value(); })) {
        const vexo::Expected<QVariantList> now = readValues([&] {
            QStringList keys;
            for (const KeyChange& change : changes)
                keys.append(change.key);
            return keys;
        }());
        if (!now)
            return failWith(now.result().status(), now.result().message());
        if (Result conflict = conflictWith(changes, *now); !conflict)
            return conflict;
    }

    // What the current user's domain holds under each key now (not what a managed or this-Mac-only
    // value shows in front of it), to put back if the change does not hold.
    const auto dictionary = [] {
        return CFHolder::adopt(CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                                         &kCFTypeDictionaryValueCallBacks));
    };
    const auto array = [] {
        return CFHolder::adopt(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    };
    const CFHolder toSet = dictionary();
    const CFHolder toRemove = array();
    const CFHolder previousSet = dictionary();
    const CFHolder previousRemove = array();
    if (!toSet || !toRemove || !previousSet || !previousRemove)
        return failWith(Status::NotStored,
                        QStringLiteral("there is not enough memory to prepare the change"));
    for (size_t i = 0; i < names.size(); ++i) {
        const CFStringRef name = names[i].as<CFStringRef>();
        if (newValues[i])
            CFDictionarySetValue(toSet.as<CFMutableDictionaryRef>(), name, newValues[i].get());
        else
            CFArrayAppendValue(toRemove.as<CFMutableArrayRef>(), name);
        const CFHolder previous = CFHolder::adopt(
            CFPreferencesCopyValue(name, domain, kCFPreferencesCurrentUser, kCFPreferencesAnyHost));
        if (previous)
            CFDictionarySetValue(previousSet.as<CFMutableDictionaryRef>(), name, previous.get());
        else
            CFArrayAppendValue(previousRemove.as<CFMutableArrayRef>(), name);
    }

    // One call for every key, in the same user and host domain CFPreferencesSetAppValue() writes to.
    CFPreferencesSetMultiple(toSet.as<CFDictionaryRef>(), toRemove.as<CFArrayRef>(), domain,
                             kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
    Result outcome;
    if (!CFPreferencesAppSynchronize(domain)) {
        outcome =
            failWith(Status::NotStored, QStringLiteral("the preferences system could not save the domain"));
    } else {
        QStringList shadowed;
        for (size_t i = 0; i < names.size(); ++i) {
            const CFHolder readBack =
                CFHolder::adopt(CFPreferencesCopyAppValue(names[i].as<CFStringRef>(), domain));
            const bool holds =
                newValues[i] ? readBack && CFEqual(readBack.get(), newValues[i].get()) : !readBack;
            if (!holds)
                shadowed.append(QLatin1Char('"') + changes[qsizetype(i)].key + QLatin1Char('"'));
        }
        if (!shadowed.isEmpty())
            outcome = failWith(Status::NotStored,
                               QStringLiteral("another value is read back for ") +
                                   shadowed.join(QStringLiteral(", ")) +
                                   QStringLiteral(": one kept for this Mac only, or set by an administrator, "
                                                  "comes first"));
    }
    if (!outcome) {
        // Nothing this write did may stay behind, not even in this process's cache.
        CFPreferencesSetMultiple(previousSet.as<CFDictionaryRef>(), previousRemove.as<CFArrayRef>(), domain,
                                 kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
        CFPreferencesAppSynchronize(domain);
    }
    return outcome;
}

std::unique_ptr<vexo::ChangeObservation>
CFPreferencesDefaults::observeChanges(std::function<void()> onChange) {
    if (!m_domainName)
        return nullptr;
    return std::make_unique<CFPreferencesObservation>(m_domain, std::move(onChange));
}

void CFPreferencesDefaults::report(const Result& failure, Access access) const {
    if (!m_log)
        return;
    if (access == Access::Read) {
        std::lock_guard guard(m_reportMutex);
        // A domain that cannot be read is said once for each cause, not at every read.
        if (failure.message() == m_lastReadFailure)
            return;
        m_lastReadFailure = failure.message();
    }
    m_log->system(failure.message());
}

std::shared_ptr<vexo::UserDefaults> CFPreferencesDomains::open(const QString& domain) {
    return std::make_shared<CFPreferencesDefaults>(domain, m_log);
}

} // namespace brisquel::macos
