#pragma once

#include <QAbstractButton>
#include <QColor>

namespace quillmere {

// A borderless text button: only its text is drawn, in one colour, shortened in the middle when
// the row is too narrow for it, with a focus ring for keyboard users. Its left edge is the text's
// left edge, so it lines up with the caption below it. Space, Return and Enter press it.
class ChooseButton final : public QAbstractButton {
    Q_OBJECT

public:
    // Room around the text: the label beside the button uses the same top inset so that both
    // texts sit on one baseline.
    static constexpr int kHorizontalInset = 2;
    static constexpr int kVerticalInset = 3;

    explicit ChooseButton(QWidget* parent = nullptr);

    // The text colour; an invalid colour means the palette's button text.
    void setTextColor(const QColor& color);
    QColor textColor() const { return m_textColor; }

    // The text as drawn at the current width (the whole text when it fits).
    QString displayedText() const;
    // The distance from the button's top to its text's baseline.
    int baseline() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect textRect() const;

    QColor m_textColor;
};

} // namespace quillmere
