#pragma once
// The platform's input box: one line of text asked for in a small modal dialog.

#include <QString>

class QWidget;

namespace dwindle {

// Asks for a line of text: caption as the window title, prompt above the edit
// field, defaultText in the field, all of it selected so that typing replaces
// it, at most 255 characters. OK (the default button, Enter) returns the
// field's text; Cancel, Escape or the close box return defaultText. The box
// has a fixed frame, is centred on the screen, and is modal to the whole
// program; owner (not owned) is the window it belongs to.
QString InputBox(const QString& caption, const QString& prompt, const QString& defaultText, QWidget* owner);

} // namespace dwindle
