#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QFont;

namespace quillmere {

class WrappingLabel;

// Lines up the control columns of a set of rows. Each row hands in its label; every label gets
// the same width, right-aligned, so the controls of all rows start at one position with each
// label standing against them.
//
// The width depends on the font alone, never on the labels: the controls stand at the same place
// for every copy of Capture One, whatever its script names. A name too long for the column wraps
// onto further lines, and beyond kMaximumLabelLines is shortened with its whole text as tooltip.
class ControlAlignment final : public QObject {
    Q_OBJECT

public:
    // The column is this many average letters wide, within the bounds below.
    static constexpr int kLabelColumnLetters = 24;
    static constexpr int kMinimumLabelWidth = 150;
    static constexpr int kMaximumLabelWidth = 260;
    static constexpr int kMaximumLabelLines = 3;

    explicit ControlAlignment(QObject* parent = nullptr);

    void addLabel(WrappingLabel* label);
    // The width every label is given now.
    int labelWidth() const { return m_width; }

    // The label column's width for a font.
    static int labelWidthFor(const QFont& font);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update();

    QList<QPointer<WrappingLabel>> m_labels;
    int m_width = 0;
};

} // namespace quillmere
