#include "app/ControlAlignment.h"

#include <QEvent>
#include <QLabel>

namespace quillmere {

ControlAlignment::ControlAlignment(QObject* parent) : QObject(parent) {}

void ControlAlignment::addLabel(QLabel* label) {
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->setWordWrap(true);
    label->installEventFilter(this);
    m_labels.append(label);
    update();
}

void ControlAlignment::update() {
    int widest = 0;
    for (const QPointer<QLabel>& label : std::as_const(m_labels)) {
        if (!label) {
            continue;
        }
        const QMargins margins = label->contentsMargins();
        const int natural = label->fontMetrics().horizontalAdvance(label->text()) + margins.left() +
                            margins.right() + 2 * label->margin() + 1;
        widest = qMax(widest, natural);
    }
    m_width = qMin(widest, maximumLabelWidth);
    for (const QPointer<QLabel>& label : std::as_const(m_labels)) {
        if (label) {
            label->setFixedWidth(m_width);
        }
    }
}

bool ControlAlignment::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        update();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillmere
