#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QLabel;

namespace quillmere {

// Lines up the control columns of a set of rows. Each row hands in its label; every label is
// given the width of the widest one (up to a limit, beyond which labels wrap), right-aligned,
// so the controls of all rows start at one position with each label standing against them.
class ControlAlignment final : public QObject {
    Q_OBJECT

public:
    // Labels wider than this wrap onto further lines instead of pushing the controls aside.
    static constexpr int maximumLabelWidth = 220;

    explicit ControlAlignment(QObject* parent = nullptr);

    void addLabel(QLabel* label);
    // The width every label is given now.
    int labelWidth() const { return m_width; }

    // Measures the labels again (after a label's text or font changed).
    void update();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QPointer<QLabel>> m_labels;
    int m_width = 0;
};

} // namespace quillmere
