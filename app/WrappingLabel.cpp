#include "app/WrappingLabel.h"

#include "app/PlainText.h"

#include <QEvent>
#include <QPainter>
#include <QTextLayout>

namespace quillmere {

namespace {

// Wider than this, a label's preferred size wraps rather than asking for one long line.
constexpr int kPreferredWidthLimit = 420;

const QChar kEllipsis(0x2026);

// The text ended with an ellipsis, shortened to fit the width.
QString withEllipsis(const QString& text, const QFontMetrics& metrics, int width) {
    QString shortened = text;
    while (!shortened.isEmpty() && metrics.horizontalAdvance(shortened + kEllipsis) > width) {
        // Characters are dropped from the end a few at a time, never one half of a surrogate pair.
        qsizetype cut = qMax<qsizetype>(1, shortened.size() / 8);
        if (cut < shortened.size() && shortened.at(shortened.size() - cut).isLowSurrogate()) {
            ++cut;
        }
        shortened.chop(qMin(cut, shortened.size()));
        if (metrics.horizontalAdvance(shortened + kEllipsis) <= width) {
            break;
        }
    }
    return shortened + kEllipsis;
}

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
    m_truncated = m_text.size() > kMaximumShownCharacters;
    qsizetype shownLength = qMin<qsizetype>(m_text.size(), kMaximumShownCharacters);
    if (m_truncated && m_text.at(shownLength - 1).isHighSurrogate()) {
        --shownLength;
    }
    m_shown = m_text.left(shownLength);
    m_shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    m_naturalWidth = -1;
    m_lineHeight = -1;
    m_layouts.fill(Layout());
    // Made once per text, so that resizing costs nothing however long the text is.
    m_fullToolTip = plainToolTip(m_text);
    setAccessibleName(m_text);
    // Whether the text is cut depends on the width, known once the label is laid out.
    if (testAttribute(Qt::WA_Resized) || isVisible()) {
        updateToolTip();
    }
    updateGeometry();
    update();
}

void WrappingLabel::updateToolTip() {
    setToolTip(isElided() ? m_fullToolTip : QString());
}

int WrappingLabel::lineHeight(const QFontMetrics& metrics) {
    // The lowest pixel that "_" or a descender reaches, below the baseline.
    const int lowest = metrics.tightBoundingRect(QStringLiteral("_gjpqy")).bottom() + 1;
    return metrics.lineSpacing() + qMax(0, lowest - metrics.descent());
}

WrappingLabel::Layout WrappingLabel::layoutFor(int width) const {
    for (const Layout& layout : m_layouts) {
        if (layout.width == width) {
            return layout;
        }
    }
    Layout& slot = m_layouts[m_nextLayout];
    m_nextLayout = (m_nextLayout + 1) % m_layouts.size();
    slot = makeLayout(width);
    return slot;
}

WrappingLabel::Layout WrappingLabel::makeLayout(int width) const {
    Layout result;
    result.width = width;
    if (m_shown.isEmpty()) {
        return result;
    }
    const QFontMetrics metrics = fontMetrics();
    const int room = qMax(1, width);
    // Most labels fit on one line: measured once, no line breaking needed.
    if (!m_truncated && !m_shown.contains(QChar::LineSeparator) && shownWidth() <= width) {
        result.lines.append(m_shown);
        return result;
    }

    QTextLayout layout(m_shown, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QList<QPair<int, int>> spans;
    bool more = false;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room);
        if (m_maximumLines > 0 && spans.size() == m_maximumLines) {
            // One line past the limit tells that the text goes on; nothing further is laid out.
            more = true;
            break;
        }
        spans.append({line.textStart(), line.textLength()});
    }
    layout.endLayout();

    const auto lineText = [this](int start, int length) {
        QString piece = m_shown.mid(start, length);
        while (!piece.isEmpty() && (piece.back().isSpace() || piece.back() == QChar::LineSeparator)) {
            piece.chop(1);
        }
        return piece;
    };
    for (const auto& [start, length] : std::as_const(spans)) {
        result.lines.append(lineText(start, length));
    }
    if (more) {
        // The last line kept takes the rest of the text, shortened to fit.
        QString rest = m_shown.mid(spans.last().first);
        rest.replace(QChar::LineSeparator, QLatin1Char(' '));
        result.lines.last() = metrics.elidedText(rest.left(qsizetype(4) * room), Qt::ElideRight, room);
        result.elided = true;
    } else if (m_truncated && !result.lines.isEmpty()) {
        result.lines.last() = withEllipsis(result.lines.last(), metrics, room);
        result.elided = true;
    }
    return result;
}

int WrappingLabel::baseline() const {
    return contentsMargins().top() + fontMetrics().ascent();
}

int WrappingLabel::shownWidth() const {
    if (m_naturalWidth < 0) {
        const QFontMetrics metrics = fontMetrics();
        int widest = 0;
        for (const QString& line : m_shown.split(QChar::LineSeparator)) {
            widest = qMax(widest, metrics.horizontalAdvance(line));
        }
        m_naturalWidth = widest + 1;
    }
    return m_naturalWidth;
}

int WrappingLabel::shownLineHeight() const {
    if (m_lineHeight < 0) {
        m_lineHeight = lineHeight(fontMetrics());
    }
    return m_lineHeight;
}

int WrappingLabel::naturalWidth() const {
    return shownWidth() + contentsMargins().left() + contentsMargins().right();
}

int WrappingLabel::textWidth(int width) const {
    return width - contentsMargins().left() - contentsMargins().right();
}

int WrappingLabel::heightForWidth(int width) const {
    const qsizetype lines = qMax<qsizetype>(1, layoutFor(textWidth(width)).lines.size());
    const QMargins margins = contentsMargins();
    return margins.top() + int(lines) * shownLineHeight() + margins.bottom();
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
            margins.top() + shownLineHeight() + margins.bottom()};
}

void WrappingLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QColor color = m_textColor.isValid() ? m_textColor : palette().color(QPalette::WindowText);
    if (!isEnabled()) {
        color = palette().color(QPalette::Disabled, QPalette::WindowText);
    }
    painter.setPen(color);
    const int height = shownLineHeight();
    const QRect area = contentsRect();
    int top = area.top();
    for (const QString& line : layoutFor(area.width()).lines) {
        painter.drawText(QRect(area.left(), top, area.width(), height),
                         int(m_alignment | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip), line);
        top += height;
    }
}

void WrappingLabel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateToolTip();
}

void WrappingLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateToolTip();
}

void WrappingLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        textChanged();
    }
}

} // namespace quillmere
