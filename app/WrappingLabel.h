#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

#include <array>

namespace quillmere {

// A label for outside text (a script's name or description, a path, an error message): the text
// is drawn exactly as it stands, never as markup, and wraps within the label's width at spaces or,
// for a word too long for a line (a path, a name without spaces), anywhere inside it, so nothing
// is ever cut off at an edge.
//
// With a maximum line count the text stops there: the last line ends in an ellipsis and the whole
// text becomes the tooltip. The height follows the width (heightForWidth), so layouts give the
// label every line it needs; each line has room for what a font draws below its descent (an
// underscore in a small font), so nothing is clipped at a line's foot. Contents margins are kept
// around the text.
//
// Showing costs about the same whatever the text's length: only the first kMaximumShownCharacters
// are ever measured or laid out (no label shows more; the rest is cut with an ellipsis and the
// whole text is the tooltip), and a layout is made once per width.
class WrappingLabel final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaximumShownCharacters = 4000;

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

    // The lines as drawn at the current width, and whether the text was cut short there (at a
    // line limit, or at kMaximumShownCharacters).
    QStringList lines() const { return layoutFor(textWidth(width())).lines; }
    bool isElided() const { return layoutFor(textWidth(width())).elided; }
    // The distance from the label's top to the first line's baseline (the top contents margin
    // moves the text down, so that its baseline can meet a neighbour's).
    int baseline() const;
    // The width of the text on one line.
    int naturalWidth() const;

    // The height of one line in a font: its line spacing, and the room that a glyph reaching below
    // the font's descent needs.
    static int lineHeight(const QFontMetrics& metrics);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Layout {
        int width = -1;
        QStringList lines;
        bool elided = false;
    };
    Layout layoutFor(int width) const;
    Layout makeLayout(int width) const;
    // The room for text in a label of the given width.
    int textWidth(int width) const;
    // The widest line of what is shown, and the height of each line, in the current font.
    int shownWidth() const;
    int shownLineHeight() const;
    void textChanged();
    void updateToolTip();

    QString m_text;
    // What is laid out: the start of the text, line breaks as line separators.
    QString m_shown;
    // Whether m_shown stops before the text does.
    bool m_truncated = false;
    // The widest line of m_shown in the current font; -1 until measured.
    mutable int m_naturalWidth = -1;
    mutable int m_lineHeight = -1;
    // The layouts last made, for the few widths a layout pass asks about.
    mutable std::array<Layout, 3> m_layouts;
    mutable size_t m_nextLayout = 0;
    QString m_fullToolTip;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    int m_maximumLines = 0;
    QColor m_textColor;
};

} // namespace quillmere
