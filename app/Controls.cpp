#include "Controls.h"

#include "DefaultHandler.h"
#include "JPEGImage.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace dwindle {

namespace {
constexpr int kLabelTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
} // namespace

// ---- TLabel

QString TLabel::Caption() const
{
    return text();
}

void TLabel::SetCaption(const QString& caption)
{
    setText(caption);
    adjustSize(); // keeps the left and top edges; width and height follow the text
    update();
}

QSize TLabel::sizeHint() const
{
    // An empty text (or a lone access-key mark) still takes the height of a
    // line, measured as one blank.
    QString measured = text();
    if (measured.isEmpty() || measured == QStringLiteral("&"))
        measured += u' ';
    return fontMetrics().size(kLabelTextFlags, measured);
}

QSize TLabel::minimumSizeHint() const
{
    return sizeHint();
}

void TLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), kLabelTextFlags, text());
}

void TLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        adjustSize();
}

// ---- TProgressBar

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setOrientation(Qt::Horizontal);
    setTextVisible(false);
    Sync();
}

void TProgressBar::SetMax(int value)
{
    max_ = value;
    if (position_ > max_)
        position_ = max_;
    Sync();
}

void TProgressBar::SetPosition(int value)
{
    position_ = std::clamp(value, 0, std::max(max_, 0));
    Sync();
}

void TProgressBar::Sync()
{
    if (max_ > 0) {
        setRange(0, max_);
        setValue(position_);
    } else {
        // Qt draws a range of 0..0 as a busy indicator; an empty bar is meant.
        setRange(0, 1);
        setValue(0);
    }
}

// ---- TImage

TImage::TImage(QWidget* parent) : QWidget(parent) {}

TImage::~TImage() = default;

void TImage::SetPicture(const TJPEGImage* image)
{
    if (image) {
        auto copy = std::make_unique<TJPEGImage>();
        copy->ShareFrom(*image);
        picture_ = std::move(copy);
    } else {
        picture_.reset();
    }
    update();
}

void TImage::paintEvent(QPaintEvent*)
{
    if (!picture_)
        return; // an empty box lets the window's background show
    try {
        QPainter painter(this);
        painter.setClipRect(rect());
        picture_->DrawTo(painter, QRect(0, 0, picture_->Width(), picture_->Height()));
    } catch (...) {
        // No modal box may open inside a paint; the failure is shown once the
        // paint is over.
        PostException(std::current_exception());
    }
}

} // namespace dwindle
