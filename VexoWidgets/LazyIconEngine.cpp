#include "VexoWidgets/LazyIconEngine.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace quillmere {

namespace {

// A file is read first as the format its suffix names, without the image plug-ins' help: asked to
// find the format itself, the toolkit loads every image plug-in installed to ask each whether it
// knows the file. A file that is not what its suffix says is read again that way.
QSize sizeOf(const QString& path) {
    QImageReader reader(path, QFileInfo(path).suffix().toLower().toLatin1());
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    return size.isValid() ? size : QImageReader(path).size();
}

QImage imageOf(const QString& path) {
    QImageReader reader(path, QFileInfo(path).suffix().toLower().toLatin1());
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    return image.isNull() ? QImageReader(path).read() : image;
}

} // namespace

LazyIconEngine::LazyIconEngine(const QStringList& files) {
    m_images.reserve(files.size());
    for (const QString& file : files) {
        m_images.append(Image{file, QSize(), false});
    }
}

QIcon LazyIconEngine::icon(const QStringList& files) {
    return QIcon(new LazyIconEngine(files));
}

void LazyIconEngine::readSizes() {
    if (m_sized) {
        return;
    }
    m_sized = true;
    for (Image& image : m_images) {
        image.size = sizeOf(image.path);
    }
    m_images.removeIf([](const Image& image) { return !image.size.isValid() || image.size.isEmpty(); });
    std::sort(m_images.begin(), m_images.end(),
              [](const Image& a, const Image& b) { return a.size.width() < b.size.width(); });
}

LazyIconEngine::Image* LazyIconEngine::imageFor(const QSize& size) {
    readSizes();
    if (m_images.isEmpty()) {
        return nullptr;
    }
    for (Image& image : m_images) {
        if (image.size.width() >= size.width() && image.size.height() >= size.height()) {
            return &image;
        }
    }
    return &m_images.last();
}

QPixmap LazyIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    Image* image = imageFor(size);
    if (!image) {
        return {};
    }
    if (!image->decoded) {
        image->decoded = true;
        const QPixmap decoded = QPixmap::fromImage(imageOf(image->path));
        if (!decoded.isNull()) {
            m_decoded.addPixmap(decoded);
        }
    }
    return m_decoded.pixmap(size, mode, state);
}

QSize LazyIconEngine::actualSize(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) {
    const Image* image = imageFor(size);
    if (!image) {
        return {};
    }
    return image->size.width() <= size.width() && image->size.height() <= size.height()
               ? image->size
               : image->size.scaled(size, Qt::KeepAspectRatio);
}

QList<QSize> LazyIconEngine::availableSizes(QIcon::Mode /*mode*/, QIcon::State /*state*/) {
    readSizes();
    QList<QSize> sizes;
    for (const Image& image : m_images) {
        sizes.append(image.size);
    }
    return sizes;
}

void LazyIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
    drawn.setDevicePixelRatio(ratio);
    const QSize shown = drawn.deviceIndependentSize().toSize();
    painter->drawPixmap(QRect(rect.topLeft() + QPoint((rect.width() - shown.width()) / 2,
                                                      (rect.height() - shown.height()) / 2),
                              shown),
                        drawn);
}

QIconEngine* LazyIconEngine::clone() const {
    return new LazyIconEngine(*this);
}

QString LazyIconEngine::key() const {
    return QStringLiteral("LazyIconEngine");
}

bool LazyIconEngine::isNull() {
    readSizes();
    return m_images.isEmpty();
}

int LazyIconEngine::decodedCount() const {
    return static_cast<int>(
        std::count_if(m_images.begin(), m_images.end(), [](const Image& image) { return image.decoded; }));
}

} // namespace quillmere
