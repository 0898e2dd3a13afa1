#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace quillmere {

// An icon made of image files, one size each, that opens a file only when the icon is asked for
// something that needs it: its sizes (read from the files' headers) or a picture (decoded from the
// one file that suits the size drawn, and kept). Making the icon reads nothing, so an icon that is
// never drawn, or drawn at one size, costs only what it shows. QIcon::addFile() decodes every image
// of every file at once.
class LazyIconEngine final : public QIconEngine {
public:
    // The files of one icon, any order; a file that cannot be read adds nothing.
    explicit LazyIconEngine(const QStringList& files);

    static QIcon icon(const QStringList& files);

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

    // How many files have been decoded so far.
    int decodedCount() const;

private:
    struct Image {
        QString path;
        QSize size;
        bool decoded = false;
    };

    void readSizes();
    // The image that draws `size` best: the smallest at least as large, else the largest.
    Image* imageFor(const QSize& size);

    QList<Image> m_images;
    bool m_sized = false;
    QIcon m_decoded;
};

} // namespace quillmere
