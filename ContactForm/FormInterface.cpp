#include "ContactForm/FormInterface.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

constexpr int kFormat = 1;
// A description is a few hundred bytes; anything far larger is not one.
constexpr qint64 kMaximumFileSize = 1 << 20;

// Keeps one widget in step with one property of the owner: applies it now and after each change.
class PropertyBinding final : public QObject {
    Q_OBJECT

public:
    PropertyBinding(QObject* owner, const QMetaProperty& property, QWidget* target,
                    std::function<void(const QVariant&)> apply)
        : QObject(target), m_owner(owner), m_property(property), m_apply(std::move(apply)) {
        update();
        if (m_property.hasNotifySignal()) {
            const int slot = metaObject()->indexOfSlot("update()");
            QObject::connect(owner, m_property.notifySignal(), this, metaObject()->method(slot));
        }
    }

public slots:
    void update() { m_apply(m_property.read(m_owner)); }

private:
    QObject* m_owner;
    QMetaProperty m_property;
    std::function<void(const QVariant&)> m_apply;
};

Result malformed(const QString& fileName, const QString& cause) {
    return Result::failure(Status::Malformed, fileName + QStringLiteral(": ") + cause);
}

std::optional<FormInterface::Control> controlNamed(const QString& name) {
    if (name == QStringLiteral("line"))
        return FormInterface::Control::Line;
    if (name == QStringLiteral("text"))
        return FormInterface::Control::Text;
    if (name == QStringLiteral("switch"))
        return FormInterface::Control::Switch;
    return std::nullopt;
}

// A member that must be text (and, when required, present and not empty).
std::optional<QString> textMember(const QJsonObject& object, const QString& key, bool required,
                                  QString& problem) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) {
        if (required)
            problem = QStringLiteral("\"%1\" is missing").arg(key);
        return required ? std::nullopt : std::optional<QString>(QString());
    }
    if (!value.isString()) {
        problem = QStringLiteral("\"%1\" is not text").arg(key);
        return std::nullopt;
    }
    if (required && value.toString().isEmpty()) {
        problem = QStringLiteral("\"%1\" is empty").arg(key);
        return std::nullopt;
    }
    return value.toString();
}

int propertyIndex(const QObject* owner, const QString& name) {
    return owner->metaObject()->indexOfProperty(name.toUtf8().constData());
}

} // namespace

Expected<FormInterface> FormInterface::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Result::failure(file.exists() ? Status::NotReadable : Status::NotFound,
                               path + QStringLiteral(": ") + file.errorString());
    }
    if (file.size() > kMaximumFileSize)
        return Result::failure(Status::TooLarge,
                               path + QStringLiteral(": too large for an interface description"));
    return parse(file.readAll(), path);
}

Expected<FormInterface> FormInterface::parse(const QByteArray& json, const QString& fileName) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        return malformed(fileName, QStringLiteral("not JSON (%1 at byte %2)")
                                       .arg(error.errorString(), QString::number(error.offset)));
    }
    if (!document.isObject())
        return malformed(fileName, QStringLiteral("not a JSON object"));
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("format")).toInt(-1) != kFormat)
        return malformed(fileName, QStringLiteral("\"format\" is not %1").arg(kFormat));

    FormInterface form;
    form.m_fileName = fileName;
    QString problem;
    QSet<QString> outlets;
    const auto claim = [&outlets, &problem](const QString& outlet) {
        if (outlets.contains(outlet)) {
            problem = QStringLiteral("the outlet \"%1\" is named twice").arg(outlet);
            return false;
        }
        outlets.insert(outlet);
        return true;
    };

    const std::optional<QString> grid = textMember(root, QStringLiteral("grid"), true, problem);
    if (!grid || !claim(*grid))
        return malformed(fileName, problem);
    form.m_grid = *grid;

    const QJsonValue rows = root.value(QStringLiteral("rows"));
    if (!rows.isArray() || rows.toArray().isEmpty())
        return malformed(fileName, QStringLiteral("\"rows\" is not a list of rows"));
    for (qsizetype i = 0; i < rows.toArray().size(); ++i) {
        const QJsonValue value = rows.toArray().at(i);
        const QString where = QStringLiteral("row %1: ").arg(i + 1);
        if (!value.isObject())
            return malformed(fileName, where + QStringLiteral("not an object"));
        const QJsonObject object = value.toObject();
        Row row;
        const std::optional<QString> label = textMember(object, QStringLiteral("label"), false, problem);
        const std::optional<QString> outlet = textMember(object, QStringLiteral("outlet"), true, problem);
        const std::optional<QString> control = textMember(object, QStringLiteral("control"), true, problem);
        const std::optional<QString> placeholder =
            textMember(object, QStringLiteral("placeholder"), false, problem);
        const std::optional<QString> title = textMember(object, QStringLiteral("title"), false, problem);
        if (!label || !outlet || !control || !placeholder || !title)
            return malformed(fileName, where + problem);
        const std::optional<Control> kind = controlNamed(*control);
        if (!kind) {
            return malformed(
                fileName,
                where + QStringLiteral("unknown control \"%1\" (one of line, text, switch)").arg(*control));
        }
        const QJsonValue on = object.value(QStringLiteral("on"));
        if (!on.isUndefined() && !on.isBool())
            return malformed(fileName, where + QStringLiteral("\"on\" is not true or false"));
        if (!claim(*outlet))
            return malformed(fileName, where + problem);
        row.label = *label;
        row.outlet = *outlet;
        row.control = *kind;
        row.placeholder = *placeholder;
        row.title = *title;
        row.on = on.toBool(false);
        form.m_rows.append(row);
    }

    const QJsonValue caption = root.value(QStringLiteral("caption"));
    if (!caption.isUndefined()) {
        const std::optional<QString> outlet =
            textMember(caption.toObject(), QStringLiteral("outlet"), true, problem);
        const std::optional<QString> text =
            textMember(caption.toObject(), QStringLiteral("text"), true, problem);
        if (!caption.isObject() || !outlet || !text || !claim(*outlet))
            return malformed(fileName, QStringLiteral("caption: ") +
                                           (problem.isEmpty() ? QStringLiteral("not an object") : problem));
        form.m_caption = Caption{*outlet, *text};
    }

    const QJsonValue buttons = root.value(QStringLiteral("buttons"));
    if (!buttons.isUndefined() && !buttons.isArray())
        return malformed(fileName, QStringLiteral("\"buttons\" is not a list of buttons"));
    for (qsizetype i = 0; i < buttons.toArray().size(); ++i) {
        const QJsonValue value = buttons.toArray().at(i);
        const QString where = QStringLiteral("button %1: ").arg(i + 1);
        if (!value.isObject())
            return malformed(fileName, where + QStringLiteral("not an object"));
        const QJsonObject object = value.toObject();
        const std::optional<QString> outlet = textMember(object, QStringLiteral("outlet"), true, problem);
        const std::optional<QString> title = textMember(object, QStringLiteral("title"), true, problem);
        const std::optional<QString> action = textMember(object, QStringLiteral("action"), true, problem);
        const std::optional<QString> enabled = textMember(object, QStringLiteral("enabled"), false, problem);
        const std::optional<QString> shortcut =
            textMember(object, QStringLiteral("shortcut"), false, problem);
        if (!outlet || !title || !action || !enabled || !shortcut)
            return malformed(fileName, where + problem);
        if (!shortcut->isEmpty() && QKeySequence::fromString(*shortcut, QKeySequence::PortableText).isEmpty())
            return malformed(fileName, where + QStringLiteral("\"%1\" is not a key sequence").arg(*shortcut));
        const QJsonValue isDefault = object.value(QStringLiteral("default"));
        if (!isDefault.isUndefined() && !isDefault.isBool())
            return malformed(fileName, where + QStringLiteral("\"default\" is not true or false"));
        if (!claim(*outlet))
            return malformed(fileName, where + problem);
        form.m_buttons.append(Button{*outlet, *title, *action, *enabled, *shortcut, isDefault.toBool(false)});
    }
    return form;
}

Result FormInterface::checkOwner(const QObject* owner) const {
    const QMetaObject* meta = owner->metaObject();
    const auto property = [&](const QString& name, QMetaType::Type type, const QString& use) -> Result {
        const int index = propertyIndex(owner, name);
        if (index < 0 || meta->property(index).typeId() != type || !meta->property(index).isReadable()) {
            return malformed(m_fileName, QStringLiteral("%1 has no %2 property \"%3\" for the %4")
                                             .arg(QString::fromLatin1(meta->className()),
                                                  type == QMetaType::Bool ? QStringLiteral("boolean")
                                                                          : QStringLiteral("text"),
                                                  name, use));
        }
        return Result::success();
    };
    if (m_caption) {
        if (Result result = property(m_caption->textProperty, QMetaType::QString, QStringLiteral("caption"));
            !result)
            return result;
    }
    for (const Button& button : m_buttons) {
        const QByteArray slot =
            QMetaObject::normalizedSignature((button.action + QStringLiteral("()")).toUtf8());
        if (meta->indexOfSlot(slot.constData()) < 0) {
            return malformed(m_fileName,
                             QStringLiteral("%1 has no action \"%2\" for the button %3")
                                 .arg(QString::fromLatin1(meta->className()), button.action, button.outlet));
        }
        if (!button.enabledProperty.isEmpty()) {
            if (Result result = property(button.enabledProperty, QMetaType::Bool, button.outlet); !result)
                return result;
        }
    }
    return Result::success();
}

Result FormInterface::build(QWidget* view, QObject* owner) const {
    if (view->layout())
        return Result::failure(Status::Refused,
                               m_fileName + QStringLiteral(": the view already has a layout"));
    if (Result checked = checkOwner(owner); !checked)
        return checked;
    const QMetaObject* meta = owner->metaObject();

    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(14);

    auto* gridView = new QWidget(view);
    gridView->setObjectName(m_grid);
    auto* grid = new QGridLayout(gridView);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(1, 1);
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        const int line = static_cast<int>(i);
        QWidget* control = nullptr;
        switch (row.control) {
        case Control::Line: {
            auto* field = new QLineEdit(gridView);
            field->setPlaceholderText(row.placeholder);
            control = field;
            break;
        }
        case Control::Text: {
            auto* text = new QPlainTextEdit(gridView);
            text->setPlaceholderText(row.placeholder);
            text->setTabChangesFocus(true);
            grid->setRowStretch(line, 1);
            control = text;
            break;
        }
        case Control::Switch: {
            auto* check = new QCheckBox(row.title, gridView);
            check->setChecked(row.on);
            control = check;
            break;
        }
        }
        control->setObjectName(row.outlet);
        auto* label = new QLabel(row.label, gridView);
        label->setTextFormat(Qt::PlainText);
        label->setBuddy(control);
        const Qt::Alignment vertical = row.control == Control::Text ? Qt::AlignTop : Qt::AlignVCenter;
        label->setAlignment(Qt::AlignRight | vertical);
        if (row.control == Control::Text)
            label->setContentsMargins(0, 4, 0, 0);
        grid->addWidget(label, line, 0, Qt::AlignRight | vertical);
        grid->addWidget(control, line, 1);
    }
    layout->addWidget(gridView, 1);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(8);
    if (m_caption) {
        auto* caption = new QLabel(view);
        caption->setObjectName(m_caption->outlet);
        caption->setTextFormat(Qt::PlainText);
        caption->setForegroundRole(QPalette::PlaceholderText);
        caption->setTextInteractionFlags(Qt::TextSelectableByMouse);
        const QMetaProperty property = meta->property(propertyIndex(owner, m_caption->textProperty));
        new PropertyBinding(owner, property, caption,
                            [caption](const QVariant& value) { caption->setText(value.toString()); });
        bar->addWidget(caption);
    }
    bar->addStretch(1);
    for (const Button& entry : m_buttons) {
        auto* button = new QPushButton(entry.title, view);
        button->setObjectName(entry.outlet);
        button->setDefault(entry.isDefault);
        if (!entry.shortcut.isEmpty()) {
            const QKeySequence shortcut =
                QKeySequence::fromString(entry.shortcut, QKeySequence::PortableText);
            button->setShortcut(shortcut);
            button->setToolTip(shortcut.toString(QKeySequence::NativeText));
        }
        const QByteArray slot =
            QMetaObject::normalizedSignature((entry.action + QStringLiteral("()")).toUtf8());
        QObject::connect(button, QMetaMethod::fromSignal(&QPushButton::clicked), owner,
                         meta->method(meta->indexOfSlot(slot.constData())));
        if (!entry.enabledProperty.isEmpty()) {
            const QMetaProperty property = meta->property(propertyIndex(owner, entry.enabledProperty));
            new PropertyBinding(owner, property, button,
                                [button](const QVariant& value) { button->setEnabled(value.toBool()); });
        }
        bar->addWidget(button);
    }
    layout->addLayout(bar);
    return Result::success();
}

} // namespace quillmere

#include "FormInterface.moc"
