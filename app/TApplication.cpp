#include "TApplication.h"

#include "ApplicationTitle.h"
#include "DefaultHandler.h"

namespace dwindle {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    const QString title = TitleFromExecutablePath(applicationFilePath());
    SetApplicationTitle(title);
    setApplicationName(title);
}

TApplication::~TApplication() = default;

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    // The last line of defence: the window's handlers are guarded themselves,
    // but anything else that throws while an event is dispatched ends here.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

} // namespace dwindle
