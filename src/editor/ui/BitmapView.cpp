#include "editor/ui/BitmapView.h"

#include <QPainter>

namespace pictorel {

namespace {

// A copy with an alpha channel in which the pixels of `colour` are clear.
QImage WithoutColour(const QImage& image, Color colour) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(colour.r, colour.g, colour.b);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((row[x] & 0xFFFFFFu) == (key & 0xFFFFFFu)) row[x] = 0;
        }
    }
    return out;
}

}  // namespace

QImage ImageOf(const Bitmap& bitmap) {
    if (bitmap.Empty()) return {};
    if (bitmap.Format() != PixelFormat::Bgr24) return ImageOf(bitmap.ToBgr24()).copy();
    return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(),
                  static_cast<qsizetype>(bitmap.Stride()), QImage::Format_BGR888);
}

BitmapView::BitmapView(QWidget* parent, const QString& name, std::function<const Bitmap*()> source)
    : MouseArea(parent, name), source_(std::move(source)) {}

void BitmapView::SetTransparentColor(std::optional<Color> colour) {
    transparent_ = colour;
    update();
}

void BitmapView::PaintPicture(QPainter& painter) const {
    const Bitmap* bitmap = source_ ? source_() : nullptr;
    if (bitmap == nullptr || bitmap->Empty()) return;
    QImage image = ImageOf(*bitmap);
    if (transparent_) image = WithoutColour(image, *transparent_);
    if (image.size() == size())
        painter.drawImage(0, 0, image);
    else
        painter.drawImage(rect(), image);
}

void BitmapView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintPicture(painter);
}

}  // namespace pictorel
