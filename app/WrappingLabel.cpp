#include "app/WrappingLabel.h"

#include "app/PlainText.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>

namespace quillmere {

namespace {

// Wider than this, a label's preferred size wraps rather than asking for one long line.
constexpr int kPreferredWidthLimit = 420;

} // namespace

WrappingLabel::WrappingLabel(QWidget* parent) : WrappingLabel(QString(), parent) {}

WrappingLabel::WrappingLabel(const QString& text, QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setText(text);
}

void WrappingLabel::setText(const QString& text) {
    if (text == m_text && !text.isNull()) {
        return;
    }
    m_text = text;
    textChanged();
}

void WrappingLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    update();
}

void WrappingLabel::setMaximumLineCount(int lines) {
    m_maximumLines = qMax(0, lines);
    textChanged();
}

void WrappingLabel::setTextColor(const QColor& color) {
    m_textColor = color;
    update();
}

void WrappingLabel::textChanged() {
    m_cachedWidth = -1;
    setAccessibleName(m_text);
    setToolTip(isElided() ? plainToolTip(m_text) : QString());
    updateGeometry();
    update();
}

WrappingLabel::Layout WrappingLabel::layoutFor(int width) const {
    if (width == m_cachedWidth) {
        return m_cached;
    }
    Layout result;
    m_cachedWidth = width;
    if (m_text.isEmpty()) {
        m_cached = result;
        return result;
    }
    QString text = m_text;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QList<QPair<int, int>> spans;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(1, width));
        spans.append({line.textStart(), line.textLength()});
    }
    layout.endLayout();

    const auto lineText = [&text](int start, int length) {
        QString piece = text.mid(start, length);
        while (!piece.isEmpty() && (piece.back().isSpace() || piece.back() == QChar::LineSeparator)) {
            piece.chop(1);
        }
        return piece;
    };
    const qsizetype kept = m_maximumLines > 0 ? qMin<qsizetype>(spans.size(), m_maximumLines) : spans.size();
    for (qsizetype i = 0; i < kept; ++i) {
        result.lines.append(lineText(spans[i].first, spans[i].second));
    }
    if (kept < spans.size()) {
        // The last line kept takes the rest of the text, shortened to fit.
        QString rest = text.mid(spans[kept - 1].first);
        rest.replace(QChar::LineSeparator, QLatin1Char(' '));
        result.lines.last() = fontMetrics().elidedText(rest, Qt::ElideRight, qMax(1, width));
        result.elided = true;
    }
    m_cached = result;
    return result;
}

int WrappingLabel::baseline() const {
    return contentsMargins().top() + fontMetrics().ascent();
}

int WrappingLabel::naturalWidth() const {
    int widest = 0;
    for (const QString& line : m_text.split(QLatin1Char('\n'))) {
        widest = qMax(widest, fontMetrics().horizontalAdvance(line));
    }
    return widest + 1 + contentsMargins().left() + contentsMargins().right();
}

int WrappingLabel::textWidth(int width) const {
    return width - contentsMargins().left() - contentsMargins().right();
}

int WrappingLabel::heightForWidth(int width) const {
    const qsizetype lines = qMax<qsizetype>(1, layoutFor(textWidth(width)).lines.size());
    const QMargins margins = contentsMargins();
    return margins.top() + int(lines) * fontMetrics().lineSpacing() + margins.bottom();
}

QSize WrappingLabel::sizeHint() const {
    const int width = qMin(naturalWidth(), kPreferredWidthLimit);
    return {width, heightForWidth(width)};
}

QSize WrappingLabel::minimumSizeHint() const {
    // Any width serves (the text wraps anywhere); the height is settled by heightForWidth.
    const int oneLetter = fontMetrics().horizontalAdvance(QLatin1Char('W'));
    const QMargins margins = contentsMargins();
    return {qMin(naturalWidth(), 4 * oneLetter + margins.left() + margins.right()),
            margins.top() + fontMetrics().lineSpacing() + margins.bottom()};
}

void WrappingLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QColor color = m_textColor.isValid() ? m_textColor : palette().color(QPalette::WindowText);
    if (!isEnabled()) {
        color = palette().color(QPalette::Disabled, QPalette::WindowText);
    }
    painter.setPen(color);
    const int lineSpacing = fontMetrics().lineSpacing();
    const QRect area = contentsRect();
    int top = area.top();
    for (const QString& line : layoutFor(area.width()).lines) {
        painter.drawText(QRect(area.left(), top, area.width(), lineSpacing),
                         int(m_alignment | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip), line);
        top += lineSpacing;
    }
}

void WrappingLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setToolTip(isElided() ? plainToolTip(m_text) : QString());
}

void WrappingLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        textChanged();
    }
}

} // namespace quillmere
