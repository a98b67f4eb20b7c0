#pragma once
// What the program entry hands to the window library: the fixed places that
// the build decided, and a hook for test programs. The program reads no
// environment variable and no argument; everything comes from here.

#include <functional>
#include <string>

namespace dwindle {

// The client library file name this library was built with (DWINDLE_FBCLIENT).
const char* DefaultClientLibrary() noexcept;

struct DwindleConfig {
    // The folder that holds "paxtor.ini".
    std::string settingsDir = "/etc";
    // The file name handed to dlopen when the window creates its connection.
    std::string clientLibrary = DefaultClientLibrary();
    // Called once the application object exists, before anything else runs.
    // The program passes none; a test program uses it to start what answers
    // the message boxes (the start-up failure box among them).
    std::function<void()> onApplicationCreated;
};

// The whole program: creates the application and the window, runs the message
// loop and ends the window. Returns 0 after a normal end, 1 when the window
// could not be created (after showing the "Application Error" box).
int runDwindle(int argc, char** argv, const DwindleConfig& config);

} // namespace dwindle
