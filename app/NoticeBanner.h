#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

namespace quillmere {

class WrappingLabel;

// A strip across the top of a view that tells of a state the user must know about (Capture One's
// preferences cannot be read): a warning sign, a headline, the cause in full as outside text, and
// one action (such as Try Again).
class NoticeBanner final : public QFrame {
    Q_OBJECT

public:
    NoticeBanner(const QString& actionText, QWidget* parent = nullptr);

    // Both texts are shown as they stand.
    void setMessage(const QString& headline, const QString& details);
    QString headline() const;
    QString details() const;

    QPushButton* actionButton() const { return m_action; }

signals:
    void actionTriggered();

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateColors();

    QLabel* m_icon = nullptr;
    WrappingLabel* m_headline = nullptr;
    WrappingLabel* m_details = nullptr;
    QPushButton* m_action = nullptr;
    bool m_updatingColors = false;
};

} // namespace quillmere
