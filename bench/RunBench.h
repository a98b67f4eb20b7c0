#pragma once
// Pieces of the Run benchmark: the window run, the job's floor, and the peak
// memory of the process that ran them.
#include <cstdint>
#include <string>

namespace dwindle::bench {

struct RunFigures {
    double seconds = 0;     // from the click on Run to the end of the program (window) or the commit (floor)
    int pictures = 0;       // JPG rows handled
    int written = 0;        // rows written back (floor only)
    long peakKiB = 0;       // the process's peak resident set (VmHWM)
    std::string failure;    // a message box the run showed, if any
};

// connection: "127.0.0.1:/path/to/db.fdb".
RunFigures runFloor(const std::string& connection);
RunFigures runWindow(const std::string& connection, int argc, char** argv);
long peakResidentKiB();

} // namespace dwindle::bench
