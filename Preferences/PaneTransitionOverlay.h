#pragma once

#include <QFlags>
#include <QPixmap>
#include <QWidget>

namespace quillmere {

// How one pane's view replaces another's: the platform's child-transition options, with its
// values. Any of crossfade and the slides (mask kAnimatedTransitionOptions) makes the change
// animate.
enum class TransitionOption : unsigned {
    none = 0,
    crossfade = 0x1,
    slideUp = 0x10,
    slideDown = 0x20,
    slideLeft = 0x40,
    slideRight = 0x80,
    slideForward = 0x140,  // left, or right in a right-to-left layout
    slideBackward = 0x180, // right, or left in a right-to-left layout
    allowUserInteraction = 0x1000,
};
Q_DECLARE_FLAGS(TransitionOptions, TransitionOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TransitionOptions)

inline constexpr unsigned kAnimatedTransitionOptions = 0x1F1;

// Draws a transition between two pictures of pane views over the area that shows panes while the
// window resizes: the old picture going, the new one coming, as progress runs from 0 to 1. Both
// hang from the top edge and from the left edge or, when centred, from the horizontal centre, as
// the window itself does. Covering the area also keeps clicks away from views in between.
class PaneTransitionOverlay final : public QWidget {
    Q_OBJECT

public:
    PaneTransitionOverlay(QPixmap from, QPixmap to, TransitionOptions options, bool centred, QWidget* parent);

    qreal progress() const { return m_progress; }
    void setProgress(qreal progress);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPixmap m_from;
    QPixmap m_to;
    TransitionOptions m_options;
    bool m_centred;
    qreal m_progress = 0;
};

} // namespace quillmere
