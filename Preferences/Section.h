#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <initializer_list>
#include <memory>

namespace quillmere::Preferences {

// How a section's label lines up with its content, vertically.
enum class VerticalAlignment {
    top,
    center,
    bottom,
    firstTextBaseline, // the label's text baseline on the first content widget's first line
    lastTextBaseline,  // the label's last baseline on the last content widget's last line
};

// The optional parts of a section, written by name:
//   Section(tr("Updates:"), {checkBox}, {.bottomDivider = true})
struct SectionOptions {
    bool bottomDivider = false; // a divider below this row (never below the last row)
    VerticalAlignment verticalAlignment = VerticalAlignment::firstTextBaseline;
};

// One row of a Container: a label, right-aligned against the container's label column edge, and
// its content, widgets stacked on their leading edges just after that edge. A section describes
// the row; the container that is given it takes its widgets as children. Widgets of a section
// that no container took are deleted with the last copy of the section.
//
// A null widget, as label or content, is a caller's error: the program stops.
class Section final {
public:
    // The label is any widget (a QLabel, an icon with text...).
    Section(QWidget* label, std::initializer_list<QWidget*> content, SectionOptions options = {});
    Section(QWidget* label, const QList<QWidget*>& content, SectionOptions options = {});
    // The label is a text in the section title style (plain text, never rich text).
    Section(const QString& title, std::initializer_list<QWidget*> content, SectionOptions options = {});
    Section(const QString& title, const QList<QWidget*>& content, SectionOptions options = {});

    QWidget* label() const;
    QList<QWidget*> content() const;
    bool bottomDivider() const { return m_options.bottomDivider; }
    VerticalAlignment verticalAlignment() const { return m_options.verticalAlignment; }

private:
    struct Parts;
    std::shared_ptr<Parts> m_parts;
    SectionOptions m_options;
};

} // namespace quillmere::Preferences
