#include "PicturePreview.h"

#include "JPEGImage.h"
#include "PictureFormats.h"
#include "Stream.h"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace dwindle {

namespace {

bool isRegistered(const QString& extension)
{
    const auto& formats = RegisteredPictureFormats();
    return std::any_of(formats.begin(), formats.end(), [&](const PictureFormat& format) {
        return QString::fromStdString(format.Extension).compare(extension, Qt::CaseInsensitive) == 0;
    });
}

QImage loadJpeg(const QString& fileName)
{
    TFileStream stream(QFile::encodeName(fileName).toStdString());
    TJPEGImage jpeg;
    jpeg.LoadJpeg(stream);
    jpeg.EnsureBitmap();
    return jpeg.Bitmap() ? jpeg.Bitmap()->copy() : QImage();
}

QImage loadWithQt(const QString& fileName, const QByteArray& format)
{
    QImageReader reader(fileName, format);
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

} // namespace

QImage LoadPreviewPicture(const QString& fileName) noexcept
{
    // A preview that cannot be made is no failure of the dialog: whatever goes
    // wrong while reading or decoding, the pane shows "(None)".
    try {
        const QFileInfo info(fileName);
        if (!info.isFile())
            return {};
        const QString extension = info.suffix().toLower();
        if (!isRegistered(extension))
            return {};
        if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
            return loadJpeg(fileName);
        if (extension == QLatin1String("bmp") || extension == QLatin1String("ico"))
            return loadWithQt(fileName, extension.toLatin1());
        return {}; // emf, wmf: no reader on this platform
    } catch (...) {
        return {};
    }
}

// ---- TPicturePane ----

TPicturePane::TPicturePane(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(100, 100);
}

void TPicturePane::SetPicture(const QImage& picture)
{
    picture_ = picture;
    update();
}

QRect TPicturePane::PictureRect() const
{
    if (picture_.isNull())
        return {};
    const QSize scaled = picture_.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - scaled.width()) / 2, (height() - scaled.height()) / 2), scaled);
}

void TPicturePane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("(None)"));
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(PictureRect(), picture_);
}

void TPicturePane::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!picture_.isNull() && OnDoubleClick)
        OnDoubleClick();
    event->accept();
}

// ---- the preview window ----

QSize PreviewWindowSize(const QSize& picture, const QSize& monitor)
{
    return QSize(std::min(picture.width() + 10, monitor.width() * 3 / 4),
                 std::min(picture.height() + 10, monitor.height() * 3 / 4));
}

void ShowPreviewWindow(const QImage& picture, QWidget* owner)
{
    QDialog window(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window.setObjectName(QStringLiteral("picturePreviewWindow"));
    window.setWindowTitle(QStringLiteral("Preview"));
    window.setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* pane = new TPicturePane(&window);
    pane->setMinimumSize(1, 1);
    pane->SetPicture(picture);
    layout->addWidget(pane);

    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect monitor = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QSize size = PreviewWindowSize(picture.size(), monitor.size());
    window.resize(size);
    window.move(monitor.center() - QPoint(size.width() / 2, size.height() / 2));
    // QDialog closes on Escape (reject), which is all this window answers to.
    window.exec();
}

} // namespace dwindle
