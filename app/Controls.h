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

class TButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

// A label that sizes itself to its text on one line, its left edge fixed, and
// shows "&" as an access-key mark (the next character underlined, "&&" as "&").
class TLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QString Caption() const;
    void SetCaption(const QString& caption);
};

class TProgressBar : public QProgressBar {
    Q_OBJECT
public:
    using QProgressBar::QProgressBar;
    int Max() const { return maximum(); }
    void SetMax(int value);
    int Position() const { return value(); }
    void SetPosition(int value);
};

// A picture box: draws its picture at the picture's own size from its top-left
// corner, clipped; the rest shows the window's background. It keeps a copy of
// its own of the picture it is given, which decodes at its first drawing.
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
