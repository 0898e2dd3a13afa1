#pragma once

#include <QProxyStyle>

namespace quillmere {

// The application's style: a base style (the desktop's, or Fusion), whose tool bar extension icons
// are made when first drawn. Every menu bar makes the button that shows the items that do not fit,
// and asking the base style for its icon loads every image plug-in installed (the toolkit probes
// them all for the icon's file) while most windows never show that button.
class ApplicationStyle final : public QProxyStyle {
public:
    // Takes `base`; nullptr is the desktop's style.
    explicit ApplicationStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace quillmere
