#include "Preferences/Section.h"

#include "VexoWidgets/TextStyles.h"

#include <QLabel>

namespace quillmere::Preferences {

struct Section::Parts {
    QPointer<QWidget> label;
    QList<QPointer<QWidget>> content;

    ~Parts() {
        // Widgets that no container adopted have no one else to delete them.
        if (label && !label->parent()) {
            delete label.data();
        }
        for (const QPointer<QWidget>& widget : content) {
            if (widget && !widget->parent()) {
                delete widget.data();
            }
        }
    }
};

Section::Section(QWidget* label, const QList<QWidget*>& content, SectionOptions options)
    : m_parts(std::make_shared<Parts>()), m_options(options) {
    if (!label) {
        qFatal("Preferences: a section's label is null");
    }
    m_parts->label = label;
    for (QWidget* widget : content) {
        if (!widget) {
            qFatal("Preferences: a section's content holds a null widget");
        }
        m_parts->content.append(widget);
    }
}

Section::Section(QWidget* label, std::initializer_list<QWidget*> content, SectionOptions options)
    : Section(label, QList<QWidget*>(content), options) {}

Section::Section(const QString& title, const QList<QWidget*>& content, SectionOptions options)
    : Section(sectionTitleLabel(title), content, options) {}

Section::Section(const QString& title, std::initializer_list<QWidget*> content, SectionOptions options)
    : Section(sectionTitleLabel(title), QList<QWidget*>(content), options) {}

QWidget* Section::label() const {
    return m_parts->label;
}

QList<QWidget*> Section::content() const {
    QList<QWidget*> widgets;
    for (const QPointer<QWidget>& widget : m_parts->content) {
        if (widget) {
            widgets.append(widget);
        }
    }
    return widgets;
}

} // namespace quillmere::Preferences
