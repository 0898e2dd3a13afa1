#include "app/ControlAlignment.h"

#include "app/WrappingLabel.h"

#include <QEvent>
#include <QFontMetrics>

namespace quillmere {

ControlAlignment::ControlAlignment(QObject* parent) : QObject(parent) {}

int ControlAlignment::labelWidthFor(const QFont& font) {
    return qBound(kMinimumLabelWidth, QFontMetrics(font).averageCharWidth() * kLabelColumnLetters,
                  kMaximumLabelWidth);
}

void ControlAlignment::addLabel(WrappingLabel* label) {
    label->setAlignment(Qt::AlignRight);
    label->setMaximumLineCount(kMaximumLabelLines);
    label->installEventFilter(this);
    m_labels.append(label);
    label->setFixedWidth(m_width > 0 ? m_width : labelWidthFor(label->font()));
    if (m_width == 0) {
        update();
    }
}

void ControlAlignment::update() {
    for (const QPointer<WrappingLabel>& label : std::as_const(m_labels)) {
        if (label) {
            m_width = labelWidthFor(label->font());
            break;
        }
    }
    for (const QPointer<WrappingLabel>& label : std::as_const(m_labels)) {
        if (label) {
            label->setFixedWidth(m_width);
        }
    }
}

bool ControlAlignment::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        update();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillmere
