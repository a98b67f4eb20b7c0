#include "InputBox.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QLayout>
#include <QLineEdit>
#include <QScreen>

namespace dwindle {

QString InputBox(const QString& caption, const QString& prompt, const QString& defaultText, QWidget* owner)
{
    QInputDialog box(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                                Qt::WindowCloseButtonHint);
    box.setObjectName(QStringLiteral("InputBox"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(caption);
    box.setInputMode(QInputDialog::TextInput);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    if (auto* edit = box.findChild<QLineEdit*>()) {
        edit->setMaxLength(255);
        edit->selectAll();
    }
    // Asking for the size hint builds the box's layout; the box is then held
    // at that size: a fixed dialog frame.
    const QSize size = box.sizeHint();
    if (box.layout())
        box.layout()->setSizeConstraint(QLayout::SetFixedSize);
    box.setFixedSize(size);

    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen)
        box.move(screen->geometry().center() - QPoint(size.width() / 2, size.height() / 2));

    if (box.exec() != QDialog::Accepted)
        return defaultText;
    return box.textValue();
}

} // namespace dwindle
