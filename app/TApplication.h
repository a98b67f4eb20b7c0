#pragma once
// The application object: a QApplication whose event dispatch hands every
// escaping failure to the default handler, and which knows the program's title.

#include <QApplication>

namespace dwindle {

class TApplication : public QApplication {
    Q_OBJECT
public:
    // Sets the application title from the executable's file name; the
    // application name follows it. The display name is left unset, so that
    // window captions stay exactly as the windows set them.
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace dwindle
