#include "TOpenPictureDialog.h"

#include "PictureFormats.h"
#include "PicturePreview.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

namespace dwindle {

namespace {

QList<PictureFilter> buildFilters()
{
    QList<PictureFilter> filters;
    QStringList all;
    const auto& formats = RegisteredPictureFormats();
    // The latest registration first: the JPEG formats lead, the built-in ones follow.
    for (auto it = formats.rbegin(); it != formats.rend(); ++it) {
        const QString pattern = QStringLiteral("*.") + QString::fromStdString(it->Extension);
        filters.append({QString::fromStdString(it->Description) + QStringLiteral(" (") + pattern + QLatin1Char(')'),
                        {pattern}});
        all.append(pattern);
    }
    if (filters.size() > 1)
        filters.prepend({QStringLiteral("All (") + all.join(QLatin1Char(';')) + QLatin1Char(')'), all});
    return filters;
}

// Qt reads a filter's patterns from the parentheses at the end of its text and
// separates them by blanks, so each entry is handed to Qt in that form; the
// combo box then gets the entry's own text back, with ";" between patterns.
QString qtFilterText(const PictureFilter& filter)
{
    const int open = filter.Description.lastIndexOf(QLatin1String(" ("));
    const QString name = open >= 0 ? filter.Description.left(open) : filter.Description;
    return name + QStringLiteral(" (") + filter.Patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The pane beside the file controls: the size line, the Preview button and the
// picture scaled to fit. Follows the dialog's current file; the function
// returned shows a given file.
std::function<void(const QString&)> addPreviewPane(QFileDialog& dialog)
{
    auto* pane = new QWidget(&dialog);
    pane->setObjectName(QStringLiteral("picturePreviewPane"));
    auto* caption = new QLabel(QStringLiteral("Picture:"), pane);
    caption->setObjectName(QStringLiteral("picturePreviewLabel"));
    auto* button = new QPushButton(QStringLiteral("Preview"), pane);
    button->setObjectName(QStringLiteral("picturePreviewButton"));
    button->setToolTip(QStringLiteral("Preview"));
    button->setAutoDefault(false);
    button->setEnabled(false);
    auto* picture = new TPicturePane(pane);
    picture->setObjectName(QStringLiteral("picturePreviewImage"));
    picture->setMinimumSize(150, 150);

    auto* top = new QHBoxLayout;
    top->addWidget(caption, 1);
    top->addWidget(button);
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addWidget(picture, 1);

    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    else if (dialog.layout())
        dialog.layout()->addWidget(pane);

    auto show = [caption, button, picture](const QString& path) {
        const QImage image = LoadPreviewPicture(path);
        picture->SetPicture(image);
        button->setEnabled(!image.isNull());
        caption->setText(image.isNull() ? QStringLiteral("Picture:")
                                        : QStringLiteral(" (%1x%2)").arg(image.width()).arg(image.height()));
    };
    auto open = [&dialog, picture] {
        if (!picture->Picture().isNull())
            ShowPreviewWindow(picture->Picture(), &dialog);
    };
    // The file is the one the view makes current, or the one the name field
    // holds: Qt writes the name of a clicked file there, and the user may type
    // one. Qt's dialog names that field "fileNameEdit".
    QObject::connect(&dialog, &QFileDialog::currentChanged, pane, show);
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        QObject::connect(name, &QLineEdit::textChanged, pane, [&dialog, show](const QString& text) {
            show(text.isEmpty() ? QString() : dialog.directory().absoluteFilePath(text));
        });
    }
    QObject::connect(button, &QPushButton::clicked, pane, open);
    picture->OnDoubleClick = open;
    return show;
}

} // namespace

TOpenPictureDialog::TOpenPictureDialog(QWidget* owner) : owner_(owner), filters_(buildFilters())
{
    QStringList parts;
    for (const PictureFilter& f : filters_)
        parts << f.Description << f.Patterns.join(QLatin1Char(';'));
    filter_ = parts.join(QLatin1Char('|'));
}

TOpenPictureDialog::~TOpenPictureDialog() = default;

bool TOpenPictureDialog::Execute()
{
    QFileDialog dialog(owner_);
    dialog.setObjectName(QStringLiteral("dlgOpenImage"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile: a typed name of a missing file is returned as it is; the
    // command reports the file it cannot open.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);

    QStringList qtTexts;
    for (const PictureFilter& f : filters_)
        qtTexts << qtFilterText(f);
    dialog.setNameFilters(qtTexts);
    // The entries shown are the list's own texts: Qt's dialog names its combo
    // box "fileTypeCombo". Should it ever not be found, the blank-separated
    // texts are shown, and filtering is the same.
    QStringList shown = qtTexts;
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (combo && combo->count() == filters_.size()) {
        for (int i = 0; i < filters_.size(); ++i) {
            combo->setItemText(i, filters_[i].Description);
            shown[i] = filters_[i].Description;
        }
    }
    if (!shown.isEmpty()) {
        const int index = filterIndex_ >= 1 && filterIndex_ <= shown.size() ? filterIndex_ : 1;
        dialog.selectNameFilter(shown[index - 1]);
    }

    const auto showInPane = addPreviewPane(dialog);
    if (!fileName_.isEmpty())
        dialog.selectFile(fileName_);
    showInPane(fileName_); // the pane starts with the remembered file

    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return false;
    fileName_ = files.first();
    const QString selected = dialog.selectedNameFilter();
    int index = shown.indexOf(selected);
    if (index < 0)
        index = qtTexts.indexOf(selected);
    if (index >= 0)
        filterIndex_ = index + 1;
    return true;
}

} // namespace dwindle
