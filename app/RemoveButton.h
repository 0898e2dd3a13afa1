#pragma once

#include <QToolButton>

namespace quillmere {

// The button that clears a script assignment: a red minus in a circle. It keeps its place in the
// row at all times but is drawn only while revealed (the pointer is over its row) or while it
// holds keyboard focus, so that a keyboard user always sees where the focus is. Space, Return and
// Enter press it.
class RemoveButton final : public QToolButton {
    Q_OBJECT

public:
    explicit RemoveButton(QWidget* parent = nullptr);

    void setRevealed(bool revealed);
    bool isRevealed() const { return m_revealed; }
    // Whether the button is drawn now.
    bool isDrawn() const { return m_revealed || hasFocus(); }

    // The minus-in-a-circle glyph in the given colour.
    static QIcon minusCircleIcon(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_revealed = false;
};

} // namespace quillmere
