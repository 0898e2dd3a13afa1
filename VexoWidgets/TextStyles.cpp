#include "VexoWidgets/TextStyles.h"

#include "VexoWidgets/Appearance.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>

namespace quillmere {

namespace {

QFont applicationFontOfSize(int pixels) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

// Keeps a label's text colour readable: works it out from the palette the label inherits (its
// parent's, else the application's), now and whenever that palette changes. The label's own
// palette cannot be the source, since it holds the colour set here.
class ReadableTextColor final : public QObject {
public:
    static constexpr QLatin1StringView kName{"ReadableTextColor"};

    ReadableTextColor(QLabel* label, TextStyle style) : QObject(label), m_label(label), m_style(style) {
        setObjectName(kName);
        label->installEventFilter(this);
        apply();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_label && !m_applying &&
            (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)) {
            apply();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void apply() {
        const QWidget* parent = m_label->parentWidget();
        const QPalette inherited = parent ? parent->palette() : QApplication::palette(m_label);
        QPalette palette = m_label->palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            const QColor background = inherited.color(group, QPalette::Window);
            const QColor text = inherited.color(group, QPalette::WindowText);
            palette.setColor(group, QPalette::WindowText,
                             m_style == TextStyle::Caption ? secondaryTextColor(text, background)
                                                           : warningTextColor(background));
        }
        m_applying = true;
        m_label->setPalette(palette);
        m_applying = false;
    }

    QLabel* m_label;
    TextStyle m_style;
    bool m_applying = false;
};

} // namespace

QFont headlineFont(const QFont& base) {
    QFont font = base;
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont headlineFont(const QWidget* widget) {
    return headlineFont(widget->font());
}

QFont captionFont(const QWidget* widget) {
    return captionFont(widget->font());
}

QFont captionFont(const QFont& base) {
    QFont font = base;
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * 0.85);
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(qMax(9, font.pixelSize() * 85 / 100));
    }
    return font;
}

QFont sectionTitleFont() {
    return applicationFontOfSize(13);
}

QLabel* sectionTitleLabel(const QString& title) {
    auto* label = new QLabel(title);
    label->setTextFormat(Qt::PlainText);
    label->setFont(sectionTitleFont());
    return label;
}

QFont preferenceDescriptionFont() {
    return applicationFontOfSize(11);
}

QLabel* preferenceDescription(const QString& text) {
    auto* label = new QLabel(text);
    applyTextStyle(label, TextStyle::Caption);
    return label;
}

void applyTextStyle(QLabel* label, TextStyle style) {
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    if (style == TextStyle::Caption) {
        label->setFont(preferenceDescriptionFont());
    }
    // A label styled twice keeps one follower, of the last style.
    delete label->findChild<QObject*>(ReadableTextColor::kName, Qt::FindDirectChildrenOnly);
    new ReadableTextColor(label, style);
}

std::optional<TextStyle> textStyleNamed(const QString& name) {
    if (name == QLatin1String("caption")) {
        return TextStyle::Caption;
    }
    if (name == QLatin1String("warning")) {
        return TextStyle::Warning;
    }
    return std::nullopt;
}

} // namespace quillmere
