#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"
#include "VexoExtensions/UserDefaults.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace brisquel::vexo {

// One setting of a preferences domain, declared once with its key, the value an absent key reads
// as, its type, and where its domain is found:
//
//     inline const Setting<bool> includeBetaReleases{QStringLiteral("includeBetaReleases"), false,
//                                                     &applicationDefaults};
//
// The declared value is only what an absent key reads as: nothing is written or registered.
//
// read() takes the stored value as the setting's type (see SettingValue below); a value of
// another type reads as the type's own empty value (false, an empty text, no date), and a domain
// that cannot be read as the declared value, its reason written to the platform's log by the
// domain. write() stores a value and returns why it failed. observe() calls back whenever the
// setting's value changes, by whatever writer: at once, on the writer's thread, for a write
// through any Setting of the same key and domain in this process; for every other writer
// (another program, a write that bypassed the Setting) when the domain tells of a change, on the
// thread that asked. A notice that leaves the value as it was calls nothing.
//
// The domain is looked up at each read and write (a handle costs no I/O), so that a setting
// declared once follows the platform in force. A domain source that gives null is a domain that
// cannot be reached: it reads as the declared value and refuses writes.

// How a stored value reads as a setting's type, as the platform's typed getters read it.
template <typename T> struct SettingValue;

// A boolean reads as the platform's boolForKey: does: a boolean as it is; a number true when it
// is not zero; a text true when, after any leading spaces and tabs (Unicode category Zs and
// U+0009), an optional sign and any leading zeros, the next character is Y, y, T, t or a digit
// from 1 to 9; any other type false.
template <> struct SettingValue<bool> {
    BRISQUEL_EXPORT static bool fromStored(const QVariant& value);
    static QVariant toStored(bool value) { return value; }
};

// Text reads only from text.
template <> struct SettingValue<QString> {
    static QString fromStored(const QVariant& value) {
        return value.typeId() == QMetaType::QString ? value.toString() : QString();
    }
    static QVariant toStored(const QString& value) { return value; }
};

// A date reads only from a valid date, and is stored in UTC.
template <> struct SettingValue<std::optional<QDateTime>> {
    static std::optional<QDateTime> fromStored(const QVariant& value) {
        if (value.typeId() != QMetaType::QDateTime || !value.toDateTime().isValid()) {
            return std::nullopt;
        }
        return value.toDateTime();
    }
    static QVariant toStored(const std::optional<QDateTime>& value) {
        return value ? QVariant(value->toUTC()) : QVariant();
    }
};

// Where a write through a Setting tells the observations of the same key and domain in this
// process at once, without waiting for the domain's own notice.
class BRISQUEL_EXPORT SettingObservers {
public:
    using Id = quint64;
    static Id add(const QString& domain, const QString& key, std::function<void()> check);
    static void remove(Id id);
    static void tell(const QString& domain, const QString& key);
};

template <typename T> class Setting final {
public:
    using DomainSource = std::function<std::shared_ptr<UserDefaults>()>;

    Setting(QString key, T absentValue, DomainSource domain)
        : m_key(std::move(key)), m_absentValue(std::move(absentValue)), m_domain(std::move(domain)) {}

    const QString& key() const { return m_key; }
    // What an absent key reads as.
    const T& absentValue() const { return m_absentValue; }
    // The domain that keeps the setting now; null when it cannot be reached.
    std::shared_ptr<UserDefaults> domain() const { return m_domain ? m_domain() : nullptr; }

    T read() const { return read(domain()); }

    Result write(const T& value) const {
        const std::shared_ptr<UserDefaults> defaults = domain();
        if (!defaults) {
            return Result::failure(Status::Unavailable,
                                   QStringLiteral("The preferences domain that keeps \"") + m_key +
                                       QStringLiteral("\" cannot be reached."));
        }
        const QVariant stored = SettingValue<T>::toStored(value);
        Result written = stored.isValid() ? defaults->write(m_key, stored) : defaults->remove(m_key);
        if (written) {
            SettingObservers::tell(defaults->domain(), m_key);
        }
        return written;
    }

    // Calls onChange with the new value after each change (and once at once with the current value
    // when `initial`). Destroying the observation ends it; no call arrives afterwards.
    std::unique_ptr<ChangeObservation> observe(std::function<void(const T&)> onChange,
                                               bool initial = false) const {
        auto observation = std::make_unique<Observation>(*this, domain(), std::move(onChange));
        if (initial) {
            observation->callNow();
        }
        return observation;
    }

private:
    class Observation final : public ChangeObservation {
    public:
        Observation(const Setting& setting, std::shared_ptr<UserDefaults> defaults,
                    std::function<void(const T&)> onChange)
            : m_setting(setting), m_defaults(std::move(defaults)), m_onChange(std::move(onChange)),
              m_value(m_setting.read(m_defaults)) {
            if (!m_defaults) {
                return;
            }
            m_inProcess = SettingObservers::add(m_defaults->domain(), m_setting.key(), [this] { check(); });
            m_domain = m_defaults->observeChanges([this] { check(); });
        }
        ~Observation() override {
            m_domain.reset();
            if (m_inProcess) {
                SettingObservers::remove(m_inProcess);
            }
        }

        void callNow() {
            const std::function<void(const T&)> onChange = m_onChange;
            const T value = m_value;
            onChange(value);
        }

    private:
        void check() {
            T now = m_setting.read(m_defaults);
            if (now == m_value) {
                return;
            }
            m_value = now;
            // The call may end this observation: nothing of it is used afterwards.
            const std::function<void(const T&)> onChange = m_onChange;
            onChange(now);
        }

        const Setting m_setting;
        std::shared_ptr<UserDefaults> m_defaults;
        std::function<void(const T&)> m_onChange;
        T m_value;
        SettingObservers::Id m_inProcess = 0;
        std::unique_ptr<ChangeObservation> m_domain;
    };

    T read(const std::shared_ptr<UserDefaults>& defaults) const {
        if (!defaults) {
            return m_absentValue;
        }
        // The plain read: a domain that cannot be read gives nothing, and reports why.
        const QVariant stored = defaults->value(m_key);
        return stored.isValid() ? SettingValue<T>::fromStored(stored) : m_absentValue;
    }

    QString m_key;
    T m_absentValue;
    DomainSource m_domain;
};

} // namespace brisquel::vexo
