// The Run command on the real server and the real window: which rows it
// handles, what it shows, what it writes back, and how it ends.

#include "HrDatabase.h"
#include "RunFixture.h"

#include <QMetaObject>

#include <optional>
#include <tuple>

namespace dwindle::runtest {
namespace {

// ---------------------------------------------------------------- write-back

// A noisy picture stored at low quality: small on disk, while its re-encoding
// at quality 40 is larger. Padded to an exact size around the limit.
struct Boundary {
    std::size_t storedSize;
    bool written;
};

class WriteBack : public RunFixture, public ::testing::WithParamInterface<Boundary> {};

TEST_P(WriteBack, StoredSizeAloneDecidesEvenWhenTheReencodingIsLarger)
{
    const Bytes base = portrait(11, 20, 3.0, 840, 1120);
    ASSERT_LT(base.size(), 50000u) << "fixture must fit under the limit before padding";
    const Bytes stored = seed::padJpegTo(base, GetParam().storedSize);
    const Bytes shrunk = reencode(stored);
    ASSERT_GT(shrunk.size(), 50001u) << "fixture's re-encoding must be larger than the stored picture";
    db.addPortrait(1, "Ada", "Lovelace", 7, stored);

    connect();
    run();
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(caption(form->lblProgress), "1 of 1");
    EXPECT_EQ(caption(form->lblFirstName), "Ada");
    EXPECT_EQ(caption(form->lblLastName), "Lovelace");
    EXPECT_EQ(caption(form->lblStreamSize), std::to_string(stored.size()));
    EXPECT_EQ(caption(form->lblWidth), "840");
    EXPECT_EQ(caption(form->lblHeight), "1120");
    EXPECT_EQ(caption(form->lblQuality), "90");
    EXPECT_EQ(caption(form->lblShrunkSize), std::to_string(shrunk.size()));
    EXPECT_EQ(caption(form->lblShrunkWidth), "840");
    EXPECT_EQ(caption(form->lblShrunkHeight), "1120");
    EXPECT_EQ(caption(form->lblShrunkQuality), "40");
    EXPECT_EQ(caption(form->lblMaxSize), std::to_string(stored.size()));
    EXPECT_EQ(caption(form->lblMaxWidth), "840");
    EXPECT_EQ(caption(form->lblMaxHeight), "1120");
    EXPECT_EQ(form->imgOriginal->Picture(), nullptr);
    EXPECT_EQ(form->imgShrunk->Picture(), nullptr);
    EXPECT_FALSE(running());

    exitProgram();
    EXPECT_EQ(db.committedImage(7), GetParam().written ? shrunk : stored);
}

INSTANTIATE_TEST_SUITE_P(Limit, WriteBack, ::testing::Values(Boundary{50000, false}, Boundary{50001, true}),
                         [](const ::testing::TestParamInfo<Boundary>& p) { return "Stored" + std::to_string(p.param.storedSize); });

// ---------------------------------------------------------------- types

struct TypeCase {
    const char* name;
    testdb::ImageTypeColumn column;
    std::vector<std::optional<std::string>> types; // one row each, in name order
    int handled;                                   // rows typed exactly "JPG"
};

class Types : public RunFixture, public ::testing::WithParamInterface<TypeCase> {
protected:
    Types() : RunFixture(GetParam().column) {}
};

// Every row carries a picture over 50000 bytes, so a row that were handled
// would also be written.
TEST_P(Types, OnlyExactlyJPGIsHandledAndTheBarCountsEveryRow)
{
    const auto& types = GetParam().types;
    std::vector<Bytes> pictures;
    for (std::size_t i = 0; i < types.size(); ++i) {
        pictures.push_back(portrait(100 + i, 94, 1.4));
        ASSERT_GT(pictures.back().size(), 50000u);
        const auto id = static_cast<std::int32_t>(i + 1);
        db.addEmployee(id);
        db.addPerson(id, "P", "Person" + std::string(1, static_cast<char>('A' + i)), id);
        db.addImage(id, pictures.back(), types[i]);
    }
    connect();
    const QString before = form->lblProgress->Caption();
    // Pending messages are processed only after a JPG row.
    std::optional<bool> deliveredWhileRunning;
    QMetaObject::invokeMethod(
        form.get(), [&] { deliveredWhileRunning = running(); }, Qt::QueuedConnection);
    run();
    ASSERT_TRUE(waitUntil([&] { return deliveredWhileRunning.has_value(); }));
    EXPECT_EQ(*deliveredWhileRunning, GetParam().handled > 0);
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(form->pbCount->Max(), static_cast<int>(types.size()));
    EXPECT_EQ(form->pbCount->Position(), GetParam().handled);
    if (GetParam().handled > 0)
        EXPECT_EQ(caption(form->lblProgress), std::to_string(GetParam().handled) + " of " + std::to_string(types.size()));
    else
        EXPECT_EQ(form->lblProgress->Caption(), before) << "no JPG row: the label is left alone";

    exitProgram();
    for (std::size_t i = 0; i < types.size(); ++i) {
        const bool jpg = types[i] && *types[i] == "JPG" && GetParam().column == testdb::ImageTypeColumn::Varchar10;
        EXPECT_EQ(db.committedImage(static_cast<std::int32_t>(i + 1)), jpg ? reencode(pictures[i]) : pictures[i])
            << "row " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Types,
    ::testing::Values(
        TypeCase{"VariableWidth", testdb::ImageTypeColumn::Varchar10,
                 {"JPG", "jpg", "JPEG", " JPG", "JPG ", std::nullopt, "", "Jpg", "JPG"}, 2},
        // A char(4) column pads "JPG" with a blank: nothing is handled.
        TypeCase{"FixedWidthFour", testdb::ImageTypeColumn::Char4, {"JPG", "JPEG", " JPG", "JPG"}, 0},
        TypeCase{"EmptyListing", testdb::ImageTypeColumn::Varchar10, {}, 0}),
    [](const ::testing::TestParamInfo<TypeCase>& p) { return std::string(p.param.name); });

// ---------------------------------------------------------------- two runs

class TwoRuns : public RunFixture {};

// The second run reads what the first wrote, and its maxima start again at 0:
// with the large picture shrunk, the second run's largest stored size is a
// re-encoding.
TEST_F(TwoRuns, SecondReadsTheFirstsWritesAndItsMaximaStartAtZero)
{
    const Bytes large = portrait(21, 95, 1.5);
    const Bytes small = portrait(22, 88, 0.2, 400, 300);
    ASSERT_GT(large.size(), 50000u);
    ASSERT_LT(small.size(), 50000u);
    db.addPortrait(1, "Al", "Adams", 1, large);
    db.addPortrait(2, "Bo", "Brown", 2, small);
    const Bytes once = reencode(large);

    connect();
    run();
    EXPECT_EQ(caption(form->lblMaxSize), std::to_string(large.size()));
    EXPECT_EQ(caption(form->lblMaxWidth), "480");
    EXPECT_EQ(caption(form->lblMaxHeight), "640");

    run();
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(caption(form->lblProgress), "2 of 2");
    EXPECT_EQ(caption(form->lblMaxSize), std::to_string(std::max(once.size(), small.size())));
    EXPECT_EQ(caption(form->lblMaxWidth), "480");
    EXPECT_FALSE(running());

    exitProgram();
    // Written again only when the first re-encoding was still over the limit.
    EXPECT_EQ(db.committedImage(1), once.size() > 50000 ? reencode(once) : once);
    EXPECT_EQ(db.committedImage(2), small);
}

// ---------------------------------------------------------------- failures

class Failures : public RunFixture {};

// A row whose bytes are no JPEG: the run stops there with the codec's message;
// the rows before it stay written, the rows after it are never handled.
TEST_F(Failures, NonJpegBytesStopTheRunAndEarlierWritesStay)
{
    const Bytes first = portrait(31, 93, 1.3);
    const Bytes last = portrait(32, 93, 1.3);
    ASSERT_GT(first.size(), 50000u);
    db.addPortrait(1, "Al", "Adams", 1, first);
    db.addPortrait(2, "Bo", "Brown", 2, seed::bitmapFile(60, 80, 3));
    db.addPortrait(3, "Cy", "Clark", 3, last);
    const Bytes shrunkFirst = reencode(first);

    connect();
    run();
    ASSERT_TRUE(waitUntil([&] { return !watcher.boxes().empty(); }));
    QTest::qWait(50);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"JPEG error #53."});
    EXPECT_FALSE(running());
    EXPECT_TRUE(form->btnRun->isEnabled());
    EXPECT_EQ(caption(form->lblProgress), "2 of 3");
    EXPECT_EQ(caption(form->lblLastName), "Brown");
    // Later labels of the row still show the row before it.
    EXPECT_EQ(caption(form->lblStreamSize), std::to_string(first.size()));
    EXPECT_EQ(caption(form->lblShrunkSize), std::to_string(shrunkFirst.size()));

    // Run again: the same row stops it again.
    watcher.clear();
    run();
    ASSERT_TRUE(waitUntil([&] { return !watcher.boxes().empty(); }));
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"JPEG error #53."});

    exitProgram();
    // Written by both runs: the second re-encodes the first's bytes and
    // writes them again while they are still over the limit.
    EXPECT_EQ(db.committedImage(1), shrunkFirst.size() > 50000 ? reencode(shrunkFirst) : shrunkFirst);
    EXPECT_EQ(db.committedImage(3), last);
}

// A JPG row without picture bytes loads, shows zeros, and fails at the decode;
// the stored picture's box meets the same error at its first drawing.
class EmptyPicture : public RunFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(EmptyPicture, ShowsZerosThenReportsError42Twice)
{
    const Bytes earlier = portrait(41, 90, 0.2);
    ASSERT_LT(earlier.size(), 50000u);
    db.addPortrait(1, "Al", "Adams", 1, earlier);
    db.addEmployee(2);
    db.addPerson(2, "Em", "Empty", 2);
    db.addImage(2, GetParam() ? std::optional<Bytes>(Bytes{}) : std::nullopt, "JPG");

    connect();
    run();
    ASSERT_TRUE(waitUntil([&] { return watcher.boxes().size() >= 2; }));
    QTest::qWait(50);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"JPEG error #42.", "JPEG error #42."}));
    EXPECT_EQ(caption(form->lblLastName), "Empty");
    EXPECT_EQ(caption(form->lblStreamSize), "0");
    EXPECT_EQ(caption(form->lblWidth), "0");
    EXPECT_EQ(caption(form->lblHeight), "0");
    // The maxima were last shown for the row before.
    EXPECT_EQ(caption(form->lblMaxSize), std::to_string(earlier.size()));
    EXPECT_NE(form->imgOriginal->Picture(), nullptr);
    EXPECT_FALSE(running());
}

INSTANTIATE_TEST_SUITE_P(Picture, EmptyPicture, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "EmptyBlob" : "Null"; });

// ---------------------------------------------------------------- re-entry

class Reentry : public RunFixture {
protected:
    void SetUp() override
    {
        // Adams is the largest; Brown and Clark are smaller than Adams but
        // larger than Adams's re-encoding.
        adams = portrait(51, 95, 1.5);
        brown = portrait(52, 90, 1.0);
        clark = portrait(53, 90, 1.0);
        ASSERT_GT(adams.size(), std::max(brown.size(), clark.size()));
        ASSERT_GT(std::min(brown.size(), clark.size()), reencode(adams).size());
        ASSERT_GT(std::min(brown.size(), clark.size()), 50000u);
        db.addPortrait(1, "Al", "Adams", 1, adams);
        db.addPortrait(2, "Bo", "Brown", 2, brown);
        db.addPortrait(3, "Cy", "Clark", 3, clark);
        connect();
    }

    // Queued now, delivered by the run's first processing of pending messages.
    void whileRunning(std::function<void()> action)
    {
        QMetaObject::invokeMethod(
            form.get(),
            [this, action = std::move(action)] {
                sawRunning = running();
                action();
            },
            Qt::QueuedConnection);
    }

    Bytes adams, brown, clark;
    bool sawRunning = false;
};

TEST_F(Reentry, CloseIsRefusedDuringARunAndAcceptedAfterIt)
{
    std::optional<bool> closedDuring;
    whileRunning([&] { closedDuring = form->close(); });
    run();
    EXPECT_TRUE(sawRunning);
    ASSERT_TRUE(closedDuring.has_value());
    EXPECT_FALSE(*closedDuring);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(caption(form->lblProgress), "3 of 3") << "the run went on to the end";
    EXPECT_FALSE(running());
    EXPECT_TRUE(form->close());
}

// A click on Run inside a run starts a second run at once; it walks every row
// again (reading Adams as the first run wrote it), and when it returns the
// first run finds the listing at its end. The window shows the nested run's
// figures: its maxima never saw Adams's stored picture.
TEST_F(Reentry, ClickOnRunDuringARunNestsAndTheWindowEndsWithTheNestedFigures)
{
    int nestedClicks = 0;
    whileRunning([&] {
        ++nestedClicks;
        test::Click(form->btnRun);
    });
    run();
    EXPECT_TRUE(sawRunning);
    EXPECT_EQ(nestedClicks, 1);
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(caption(form->lblProgress), "3 of 3");
    EXPECT_EQ(caption(form->lblLastName), "Clark");
    EXPECT_EQ(caption(form->lblMaxSize), std::to_string(std::max(brown.size(), clark.size())));
    EXPECT_FALSE(running());

    exitProgram();
    const Bytes once = reencode(adams);
    EXPECT_EQ(db.committedImage(1), once.size() > 50000 ? reencode(once) : once);
    const Bytes brownOnce = reencode(brown);
    EXPECT_EQ(db.committedImage(2), brownOnce.size() > 50000 ? reencode(brownOnce) : brownOnce);
}

} // namespace
} // namespace dwindle::runtest
