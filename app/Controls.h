#pragma once
// The window's controls: command buttons, self-sizing labels, the progress bar
// and the picture boxes.

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <memory>

namespace dwindle {

class TJPEGImage;

// A command button. Never the window's default button.
class TButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

// A label that sizes itself to its text on one line, its left edge fixed, and
// shows "&" as an access-key mark (the next character underlined, "&&" as "&").
// Its background is the window's colour, so a long text covers what lies below.
// Write the text with SetCaption: QLabel::setText does not resize the label.
class TLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QString Caption() const;
    void SetCaption(const QString& caption);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};

// A continuous horizontal bar without text. Max and Position keep the values
// they were given (Position clamped to 0..Max); a bar whose Max is 0 shows
// empty, not Qt's busy indicator.
class TProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit TProgressBar(QWidget* parent = nullptr);
    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const { return position_; }
    void SetPosition(int value);

private:
    void Sync();

    int max_ = 100;
    int position_ = 0;
};

// A picture box: draws its picture at the picture's own size from its top-left
// corner, clipped; the rest shows the window's background. It keeps a copy of
// its own of the picture it is given, which decodes at its first drawing. A
// failure while drawing goes to the default handler after the paint.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;
    // Takes a copy (ShareFrom) of image; null empties the box.
    void SetPicture(const TJPEGImage* image);
    const TJPEGImage* Picture() const noexcept { return picture_.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<TJPEGImage> picture_;
};

} // namespace dwindle
