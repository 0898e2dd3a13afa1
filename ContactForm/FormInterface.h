#pragma once

#include "VexoExtensions/Result.h"

#include <QList>
#include <QString>

#include <optional>

class QObject;
class QWidget;

namespace quillmere {

// A form's interface description: a JSON file in a library's resource bundle that lays out a form
// and connects it to the object behind it, so that the layout and texts can change without the
// code. The shape:
//
//   { "format": 1,
//     "grid": "emailGridView",                       // object name of the grid of rows
//     "rows": [ { "label": "&Name:", "outlet": "nameField", "control": "line",
//                 "placeholder": "Optional" },
//               { "label": "", "outlet": "debugEmailButton", "control": "switch",
//                 "title": "Send e-mail", "on": false }, ... ],
//     "caption": { "outlet": "versionLabel", "text": "versionString" },
//     "buttons": [ { "outlet": "sendButton", "title": "Send", "action": "submitAction",
//                    "enabled": "sendEnabled", "shortcut": "Ctrl+Return", "default": true } ] }
//
// Each row is a label and a control in a two-column grid. Controls: "line" (a one-line text field,
// QLineEdit), "text" (a multi-line text view that takes the free height, QPlainTextEdit, where Tab
// moves the focus on) and "switch" (a check box, off unless "on" is true). A label is the control's
// buddy, so its "&" letter moves the focus there. Every widget made gets its outlet as its object
// name, for the owner to find; outlets must be unique. The caption shows a text property of the
// owner as plain text and follows its changes; each button calls a slot of the owner (its action,
// without arguments) and may follow a boolean property of the owner for its enabled state.
class FormInterface final {
public:
    enum class Control { Line, Text, Switch };

    struct Row {
        QString label;
        QString outlet;
        Control control = Control::Line;
        QString placeholder;
        QString title;
        bool on = false;
    };
    struct Caption {
        QString outlet;
        QString textProperty;
    };
    struct Button {
        QString outlet;
        QString title;
        QString action;
        QString enabledProperty; // empty: always enabled
        QString shortcut;        // portable key-sequence text, empty for none
        bool isDefault = false;
    };

    // Reads and checks the description in the file. A failure's message names the file and the
    // cause (the file cannot be read, is not JSON, or a row, caption or button is not well formed).
    static brisquel::vexo::Expected<FormInterface> load(const QString& path);
    // The same, for a description already read; fileName only names it in messages.
    static brisquel::vexo::Expected<FormInterface> parse(const QByteArray& json, const QString& fileName);

    // Builds the form into view, which must not have a layout yet, and connects it to owner.
    // Fails, leaving view as it was, when owner has no slot named by an action or no property of
    // the right type (text for the caption, boolean for a button) named by a binding.
    brisquel::vexo::Result build(QWidget* view, QObject* owner) const;

    const QString& fileName() const { return m_fileName; }
    const QString& grid() const { return m_grid; }
    const QList<Row>& rows() const { return m_rows; }
    const std::optional<Caption>& caption() const { return m_caption; }
    const QList<Button>& buttons() const { return m_buttons; }

private:
    brisquel::vexo::Result checkOwner(const QObject* owner) const;

    QString m_fileName;
    QString m_grid;
    QList<Row> m_rows;
    std::optional<Caption> m_caption;
    QList<Button> m_buttons;
};

} // namespace quillmere
