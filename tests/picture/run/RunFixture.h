#pragma once
// The Run command's test bench: a fresh HR database on the real server, the
// real window on the offscreen platform connected to it, the message boxes it
// shows, and the program's own re-encoding to compare with.

#include "Controls.h"
#include "IBDatabase.h"
#include "JPEGImage.h"
#include "MessageBoxWatcher.h"
#include "Portrait.h"
#include "Stream.h"
#include "TestDatabase.h"
#include "TfrmDwindle.h"
#include "WindowTestAccess.h"

#include <QElapsedTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace dwindle::runtest {

using testdb::Bytes;

// A generated portrait; texture and quality steer its size.
inline Bytes portrait(std::uint64_t seed, int quality = 92, double texture = 1.2, int width = 480, int height = 640)
{
    seed::PortraitRecipe recipe;
    recipe.seed = seed;
    recipe.quality = quality;
    recipe.texture = texture;
    recipe.width = width;
    recipe.height = height;
    return seed::makePortrait(recipe);
}

// What the program writes for a stored picture: decoded and encoded again at
// quality 40 by the program's own image object.
inline Bytes reencode(const Bytes& stored)
{
    TMemoryStream in;
    in.WriteBuffer(stored.data(), stored.size());
    in.SetPosition(0);
    TJPEGImage image;
    image.SetQuality(40);
    image.LoadJpeg(in);
    image.EnsureBitmap();
    image.Encode();
    TMemoryStream out;
    image.SaveJpeg(out);
    return Bytes(out.Memory(), out.Memory() + out.Size());
}

inline std::string caption(const TLabel* label) { return label->Caption().toStdString(); }

// Runs the event loop until done() holds or timeoutMs pass; returns done().
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QTest::qWait(10);
    return done();
}

class RunFixture : public ::testing::Test {
protected:
    explicit RunFixture(testdb::ImageTypeColumn typeColumn = testdb::ImageTypeColumn::Varchar10) : db(typeColumn) {}

    // Opens the window on the test database and clicks Connect.
    void connect()
    {
        db.writeSettings(settings.path());
        form = test::ShowWindow(test::TestConfig(settings.path()));
        test::Click(form->btnConnect);
        ASSERT_TRUE(watcher.boxes().empty()) << watcher.boxes().front().text.toStdString();
        ASSERT_TRUE(form->btnRun->isEnabled());
    }
    void run() { test::Click(form->btnRun); }
    bool running() const { return TfrmDwindleTestAccess::Running(*form); }
    // The program's normal end: the window goes, and with it the transaction
    // (committed) and then the connection.
    void exitProgram()
    {
        ASSERT_TRUE(form->close());
        form.reset();
    }
    std::vector<std::string> boxTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : watcher.boxes())
            texts.push_back(box.text.toStdString());
        return texts;
    }

    testdb::TestDatabase db;
    testdb::TempDir settings;
    test::MessageBoxWatcher watcher;
    std::unique_ptr<TfrmDwindle> form;
};

} // namespace dwindle::runtest
