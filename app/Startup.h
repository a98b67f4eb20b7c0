#pragma once
// The steps of the program's start that do not depend on the window, and the
// last-resort report of a failure while the window is created.

#include <QString>

#include <cstdint>
#include <exception>

namespace dwindle {

// The libraries' start-up steps: the codec's defaults from the primary
// screen's colour depth, and the JPEG file extensions registered with the
// picture formats. Needs the application object.
void InitLibraries();

// "Exception <class> in module <module> at <address>.\n<message>", the message
// getting a "." unless it is empty or already ends in "."; the address as
// eight hexadecimal digits.
QString StartupFailureText(std::exception_ptr failure, const QString& module, std::uintptr_t address);

// The offset of the calling code within the module that holds it (our
// executable), or 0 when the system cannot tell.
std::uintptr_t CallerOffsetInModule() noexcept;

// Shows the "Application Error" box (critical icon, one OK), modal to the
// whole program, and returns when it is closed.
void ShowStartupFailure(std::exception_ptr failure, std::uintptr_t address) noexcept;

} // namespace dwindle
