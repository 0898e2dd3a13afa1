#include "VexoWidgets/ApplicationStyle.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
#include <QWidget>

namespace quillmere {

namespace {

// An icon of a style's, asked of the style the first time it is drawn or measured.
class DeferredStyleIconEngine final : public QIconEngine {
public:
    DeferredStyleIconEngine(const QStyle* style, QStyle::StandardPixmap which, Qt::LayoutDirection direction)
        : m_style(style), m_which(which), m_direction(direction) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QIconEngine* clone() const override { return new DeferredStyleIconEngine(*this); }
    QString key() const override { return QStringLiteral("DeferredStyleIconEngine"); }

private:
    const QIcon& icon() {
        if (!m_made) {
            m_made = true;
            if (m_style) {
                QStyleOption option;
                option.direction = m_direction;
                m_icon = m_style->standardIcon(m_which, &option);
            }
        }
        return m_icon;
    }

    QPointer<const QStyle> m_style;
    QStyle::StandardPixmap m_which;
    Qt::LayoutDirection m_direction;
    bool m_made = false;
    QIcon m_icon;
};

} // namespace

ApplicationStyle::ApplicationStyle(QStyle* base) : QProxyStyle(base) {}

QIcon ApplicationStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                     const QWidget* widget) const {
    if (standardIcon == SP_ToolBarHorizontalExtensionButton ||
        standardIcon == SP_ToolBarVerticalExtensionButton) {
        const Qt::LayoutDirection direction =
            option ? option->direction
                   : (widget ? widget->layoutDirection() : QGuiApplication::layoutDirection());
        return QIcon(new DeferredStyleIconEngine(baseStyle(), standardIcon, direction));
    }
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

} // namespace quillmere
