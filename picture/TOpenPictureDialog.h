#pragma once
// The open-picture dialog of the window's maintenance command: a Qt file
// dialog with a preview pane. It remembers the file name and filter entry of
// the last use that the user confirmed.

#include <QObject>
#include <QString>

class QWidget;

namespace dwindle {

class TOpenPictureDialog : public QObject {
    Q_OBJECT
public:
    explicit TOpenPictureDialog(QWidget* owner);
    ~TOpenPictureDialog() override;

    // Runs the dialog modally: true when the user confirmed a file.
    bool Execute();
    // The filter text built from the registered picture formats when the dialog was created.
    const QString& Filter() const noexcept { return filter_; }
    const QString& FileName() const noexcept { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }
    int FilterIndex() const noexcept { return filterIndex_; } // 1-based
    void SetFilterIndex(int index) noexcept { filterIndex_ = index; }

private:
    QWidget* owner_;
    QString filter_;
    QString fileName_;
    int filterIndex_ = 1;
};

} // namespace dwindle
