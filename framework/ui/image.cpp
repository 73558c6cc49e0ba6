#include "framework/ui/image.h"

TImage::TImage(QWidget* parent) : TControl<QLabel>(parent) {}

void TImage::SetPicture(const QPixmap& picture) {
    m_picture = picture;
    setPixmap(picture);
}

QPixmap TImage::loadPicture(const QString& source) {
    QPixmap picture;
    const QLatin1String dataPrefix("data:image/");
    if (source.startsWith(dataPrefix)) {
        const qsizetype comma = source.indexOf(u',');
        if (comma < 0)
            return picture;
        picture.loadFromData(QByteArray::fromBase64(source.mid(comma + 1).toLatin1()));
        return picture;
    }
    picture.load(source);
    return picture;
}
