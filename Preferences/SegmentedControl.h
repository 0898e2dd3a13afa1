#pragma once

#include <QStringList>
#include <QWidget>

namespace quillmere {

// A row of equally wide segments of which exactly one is selected, drawn in the colours of the
// application's palette: the platform's segmented control, which Qt Widgets lacks.
//
// A click on a segment selects it and emits segmentActivated; so does a keyboard choice (Left and
// Right, Home and End move the selection while the control has focus). setSelectedSegment only
// shows a selection and emits nothing. Segments are laid out from x = 1, each segmentWidth wide
// with a one-pixel line after it, so n segments need n × segmentWidth + n + 1 pixels, the size
// the control asks for. Labels are plain text, elided when a segment is too narrow.
class SegmentedControl final : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedControl(QWidget* parent = nullptr);

    int segmentCount() const { return static_cast<int>(m_labels.size()); }
    // Grows with empty labels or drops segments from the end; the selection is kept when it
    // still exists.
    void setSegmentCount(int count);
    QString label(int segment) const;
    void setLabel(int segment, const QString& label);
    int segmentWidth() const { return m_segmentWidth; }
    void setSegmentWidth(int width);
    int segmentHeight() const { return m_segmentHeight; }
    void setSegmentHeight(int height);

    // -1 when none is selected.
    int selectedSegment() const { return m_selected; }
    void setSelectedSegment(int segment);

    // The segment under a point of the control; -1 for none.
    int segmentAt(const QPoint& point) const;
    QRect segmentRect(int segment) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user chose a segment (it is already selected).
    void segmentActivated(int segment);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(int segment);

    QStringList m_labels;
    int m_segmentWidth = 36;
    int m_segmentHeight = 12;
    int m_selected = -1;
    int m_pressed = -1;
    int m_hovered = -1;
};

} // namespace quillmere
