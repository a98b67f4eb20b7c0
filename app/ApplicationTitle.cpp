#include "ApplicationTitle.h"

#include <QCoreApplication>

namespace dwindle {

namespace {
QString& storedTitle()
{
    static QString title;
    return title;
}
} // namespace

QString TitleFromExecutablePath(const QString& path)
{
    QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString ApplicationTitle()
{
    if (!storedTitle().isEmpty())
        return storedTitle();
    if (QCoreApplication::instance())
        return TitleFromExecutablePath(QCoreApplication::applicationFilePath());
    return {};
}

void SetApplicationTitle(const QString& title)
{
    storedTitle() = title;
}

} // namespace dwindle
