#pragma once
// What the window's tests need beyond the window's public face: its private
// members (the busy flag, UpdateImage), a window made and shown like the
// program's, and clicks that go through Qt's own event delivery.

#include "DwindleConfig.h"
#include "TfrmDwindle.h"

#include <QAbstractButton>
#include <QtTest/QTest>

#include <cstdint>
#include <memory>
#include <string>

namespace dwindle {

// Named friend of TfrmDwindle.
class TfrmDwindleTestAccess {
public:
    static bool Running(const TfrmDwindle& form) { return form.FRunning; }
    static void SetRunning(TfrmDwindle& form, bool running) { form.FRunning = running; }
    static void UpdateImage(TfrmDwindle& form, std::int32_t imageId, TStream& stream) { form.UpdateImage(imageId, stream); }
};

namespace test {

// A config for the window under test: the given settings folder and the
// client library the program was built with.
inline DwindleConfig TestConfig(const std::string& settingsDir)
{
    DwindleConfig config;
    config.settingsDir = settingsDir;
    return config;
}

// Creates the window as the program does, shows it and waits until it is
// exposed and active (so that the keyboard focus has settled).
std::unique_ptr<TfrmDwindle> ShowWindow(const DwindleConfig& config);

// A left click delivered as mouse press and release events: a disabled or
// hidden button ignores it, as it would a user's click. Returns after the
// click's handler (and any box it opened) has finished.
void Click(QAbstractButton* button);

} // namespace test
} // namespace dwindle
