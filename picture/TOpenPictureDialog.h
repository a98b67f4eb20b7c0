#pragma once
// The open-picture dialog of the window's maintenance command: a Qt file
// dialog with a preview pane. It remembers the file name and filter entry of
// the last use that the user confirmed.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace dwindle {

// One entry of the dialog's filter list: the text shown and the file name
// patterns it filters by.
struct PictureFilter {
    QString Description; // "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)"
    QStringList Patterns; // "*.jpg", "*.jpeg", ...
};

class TOpenPictureDialog : public QObject {
    Q_OBJECT
public:
    // Builds the filter list from the picture formats registered now. Does not
    // take ownership of owner, which parents the dialog while it runs.
    explicit TOpenPictureDialog(QWidget* owner);
    ~TOpenPictureDialog() override;

    // Runs the dialog modally: true when the user confirmed a file. A typed
    // name of a file that does not exist is confirmed like any other. A
    // cancelled dialog changes neither FileName nor FilterIndex.
    bool Execute();
    // The filter text built from the registered picture formats when the
    // dialog was created: descriptions and patterns joined with "|".
    const QString& Filter() const noexcept { return filter_; }
    // The same list as entries, in the order shown.
    const QList<PictureFilter>& Filters() const noexcept { return filters_; }
    // The chosen file's full path after a confirmed use.
    const QString& FileName() const noexcept { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }
    int FilterIndex() const noexcept { return filterIndex_; } // 1-based
    void SetFilterIndex(int index) noexcept { filterIndex_ = index; }

private:
    QWidget* owner_;
    QList<PictureFilter> filters_;
    QString filter_;
    QString fileName_;
    int filterIndex_ = 1;
};

} // namespace dwindle
