#pragma once
// The preview of the open-picture dialog: loading a file's picture by its
// extension, a pane that shows it scaled to fit, and the separate preview
// window that the dialog's Preview button opens.

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

namespace dwindle {

// The picture of a file, loaded by its extension among the registered picture
// formats: "jpg" and "jpeg" through the program's JPEG image object (decoded),
// "bmp" and "ico" through Qt's image readers. Windows metafiles ("emf",
// "wmf"), which Qt cannot read, other extensions, missing files, folders and
// files that fail to load all give a null image. Never throws.
QImage LoadPreviewPicture(const QString& fileName) noexcept;

// Shows a picture scaled to fit the pane, up or down, with its proportions
// kept and centred; "(None)" when it holds no picture.
class TPicturePane : public QWidget {
public:
    explicit TPicturePane(QWidget* parent = nullptr);

    void SetPicture(const QImage& picture);
    const QImage& Picture() const noexcept { return picture_; }
    // Where the picture is drawn: its rectangle scaled to fit, centred.
    QRect PictureRect() const;
    // Called on a double click while the pane holds a picture.
    std::function<void()> OnDoubleClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

// The client size of the preview window for a picture on a monitor: the
// picture with 10 pixels to spare each way, no larger than three quarters of
// the monitor's width and height.
QSize PreviewWindowSize(const QSize& picture, const QSize& monitor);

// Opens the picture in the preview window, a sizeable tool window "Preview"
// centred on the monitor of owner (the primary one without owner), and returns
// when it is closed; Escape closes it. Runs modally over owner.
void ShowPreviewWindow(const QImage& picture, QWidget* owner);

} // namespace dwindle
