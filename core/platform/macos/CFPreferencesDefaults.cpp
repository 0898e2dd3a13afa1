#include "core/platform/macos/CFPreferencesDefaults.h"

#include "core/platform/macos/CFPreferencesObservation.h"
#include "core/platform/macos/CFPropertyList.h"
#include "core/platform/macos/CFText.h"
#include "core/platform/posix/PlistFileDefaults.h"

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
    return store(key, &value);
}

Result CFPreferencesDefaults::remove(const QString& key) {
    return store(key, nullptr);
}

Result CFPreferencesDefaults::store(const QString& key, const QVariant* value) {
    const auto failWith = [&](Status status, const QString& why) {
        return Result::failure(
            status, QStringLiteral("Preferences domain \"") + m_domain + QStringLiteral("\": key \"") + key +
                        (value ? QStringLiteral("\" not stored: ") : QStringLiteral("\" not removed: ")) +
                        why);
    };
    if (!m_domainName)
        return failWith(Status::Refused, QStringLiteral("the domain name is not a plain reverse-DNS name"));
    if (!isAcceptableKey(key))
        return failWith(Status::Refused, QStringLiteral("the key is not a valid property-list key"));
    const CFHolder name = makeCFString(key);
    if (!name)
        return failWith(Status::NotStored,
                        QStringLiteral("the key cannot be made into a Core Foundation text"));
    CFHolder newValue;
    if (value) {
        vexo::Expected<CFHolder> made = cfFromVariant(*value);
        if (!made)
            return failWith(made.result().status(), made.result().message());
        newValue = std::move(made).value();
    }
    const CFStringRef keyName = name.as<CFStringRef>();
    const CFStringRef domain = m_domainName.as<CFStringRef>();
    if (CFPreferencesAppValueIsForced(keyName, domain))
        return failWith(Status::Refused,
                        QStringLiteral("an administrator manages this setting (a configuration "
                                       "profile sets it), so it cannot be changed here"));

    // What the current user's domain holds under the key now, to put back if the change does not hold.
    const CFHolder previous = CFHolder::adopt(
        CFPreferencesCopyValue(keyName, domain, kCFPreferencesCurrentUser, kCFPreferencesAnyHost));
    CFPreferencesSetAppValue(keyName, newValue.get(), domain);
    Result outcome;
    if (!CFPreferencesAppSynchronize(domain)) {
        outcome =
            failWith(Status::NotStored, QStringLiteral("the preferences system could not save the domain"));
    } else {
        const CFHolder readBack = CFHolder::adopt(CFPreferencesCopyAppValue(keyName, domain));
        const bool holds = newValue ? readBack && CFEqual(readBack.get(), newValue.get()) : !readBack;
        if (!holds)
            outcome = failWith(Status::NotStored,
                               (value ? QStringLiteral("another value is read back")
                                      : QStringLiteral("a value is still read back")) +
                                   QStringLiteral(": one kept for this Mac only, or set by an administrator, "
                                                  "comes first"));
    }
    if (!outcome) {
        // Nothing this write did may stay behind, not even in this process's cache.
        CFPreferencesSetAppValue(keyName, previous.get(), domain);
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
