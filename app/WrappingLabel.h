#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

namespace quillmere {

// A label for outside text (a script's name or description, a path, an error message): the text
// is drawn exactly as it stands, never as markup, and wraps within the label's width at spaces or,
// for a word too long for a line (a path, a name without spaces), anywhere inside it, so nothing
// is ever cut off at an edge.
//
// With a maximum line count the text stops there: the last line ends in an ellipsis and the whole
// text becomes the tooltip. The height follows the width (heightForWidth), so layouts give the
// label every line it needs. Contents margins are kept around the text.
class WrappingLabel final : public QWidget {
    Q_OBJECT

public:
    explicit WrappingLabel(QWidget* parent = nullptr);
    explicit WrappingLabel(const QString& text, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return m_text; }

    // Horizontal alignment of each line (left by default).
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const { return m_alignment; }

    // 0 (the default) for no limit.
    void setMaximumLineCount(int lines);
    // The text colour; an invalid colour means the palette's window text.
    void setTextColor(const QColor& color);
    QColor textColor() const { return m_textColor; }

    // The lines as drawn at the current width, and whether the text was cut short there.
    QStringList lines() const { return layoutFor(textWidth(width())).lines; }
    bool isElided() const { return layoutFor(textWidth(width())).elided; }
    // The distance from the label's top to the first line's baseline (the top contents margin
    // moves the text down, so that its baseline can meet a neighbour's).
    int baseline() const;
    // The width of the text on one line.
    int naturalWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Layout {
        QStringList lines;
        bool elided = false;
    };
    Layout layoutFor(int width) const;
    // The room for text in a label of the given width.
    int textWidth(int width) const;
    void textChanged();

    QString m_text;
    // The layout last made, and for which width (-1: none yet).
    mutable Layout m_cached;
    mutable int m_cachedWidth = -1;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    int m_maximumLines = 0;
    QColor m_textColor;
};

} // namespace quillmere
