// The hidden Update Image command on the real window, connected to a test
// database on the real server. Its dialogs are the real ones, answered by
// typing and key presses; failures are read from the message boxes that the
// window's default handler shows.

#include "DialogAnswers.h"
#include "PictureFiles.h"

#include "Controls.h"
#include "IBDatabase.h"
#include "JPEGImage.h"
#include "MessageBoxWatcher.h"
#include "Stream.h"
#include "TOpenPictureDialog.h"
#include "TestDatabase.h"
#include "WindowTestAccess.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

using namespace dwindle;
using namespace dwindle::test;
using dwindle::testdb::Bytes;
using dwindle::testdb::TempDir;
using dwindle::testdb::TestDatabase;

namespace {

Bytes toBytes(const QByteArray& a)
{
    return Bytes(reinterpret_cast<const std::uint8_t*>(a.constData()),
                 reinterpret_cast<const std::uint8_t*>(a.constData()) + a.size());
}

// The picture type as the program's own client reads it, on a connection of its own.
std::string storedType(const TestDatabase& db, std::int32_t imageId)
{
    TIBDatabase connection("dbCheck");
    connection.SetDatabaseName(db.connectionString());
    connection.SetParams({std::string("user_name=") + testdb::userName, std::string("password=") + testdb::password});
    connection.SetConnected(true);
    TIBTransaction transaction(&connection, "trCheck");
    TIBQuery query("qryType", &connection, &transaction,
                   {"select imagetype from images where imageid = " + std::to_string(imageId)});
    query.Open();
    const std::string type = query.FieldByName("IMAGETYPE").AsString();
    query.Close();
    return type;
}

// How many descriptors of this process have the file open.
int openDescriptors(const QString& path)
{
    int count = 0;
    const std::filesystem::path target = std::filesystem::weakly_canonical(path.toStdString());
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkError;
        const auto link = std::filesystem::read_symlink(entry.path(), linkError);
        if (!linkError && link == target)
            ++count;
    }
    return count;
}

// Everything on the window apart from the re-encoded side, and that side.
struct WindowState {
    QStringList otherCaptions;
    const TJPEGImage* original = nullptr;
    int pbMax = 0, pbPosition = 0;
    bool connectEnabled = false, runEnabled = false, updateVisible = false, running = false;
    QStringList shrunkCaptions;
    const TJPEGImage* shrunk = nullptr;

    bool sameApartFromShrunkSide(const WindowState& o) const
    {
        return otherCaptions == o.otherCaptions && original == o.original && pbMax == o.pbMax &&
               pbPosition == o.pbPosition && connectEnabled == o.connectEnabled && runEnabled == o.runEnabled &&
               updateVisible == o.updateVisible && running == o.running;
    }
    bool operator==(const WindowState& o) const
    {
        return sameApartFromShrunkSide(o) && shrunkCaptions == o.shrunkCaptions && shrunk == o.shrunk;
    }
};

WindowState stateOf(const TfrmDwindle& f)
{
    WindowState s;
    for (TLabel* l : {f.lblStreamSize, f.lblWidth, f.lblHeight, f.lblQuality, f.lblMaxSize, f.lblMaxWidth,
                      f.lblMaxHeight, f.lblFirstName, f.lblLastName, f.lblProgress})
        s.otherCaptions << l->Caption();
    s.original = f.imgOriginal->Picture();
    s.pbMax = f.pbCount->Max();
    s.pbPosition = f.pbCount->Position();
    s.connectEnabled = f.btnConnect->isEnabled();
    s.runEnabled = f.btnRun->isEnabled();
    s.updateVisible = f.btnUpdateImage->isVisible();
    s.running = TfrmDwindleTestAccess::Running(f);
    for (TLabel* l : {f.lblShrunkSize, f.lblShrunkWidth, f.lblShrunkHeight, f.lblShrunkQuality})
        s.shrunkCaptions << l->Caption();
    s.shrunk = f.imgShrunk->Picture();
    return s;
}

class UpdateImageCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(files_.isValid());
        db_.addPortrait(1, "Ann", "Archer", 7, original7_);
        db_.addPortrait(2, "Bob", "Baker", 8, original8_);
        // Pictures under the ids that answers of 0 or less would name: an
        // answer that is not greater than 0 must not reach them.
        db_.addPortrait(3, "Cy", "Cole", 0, original0_);
        db_.addPortrait(4, "Di", "Dunn", -7, originalMinus7_);
        db_.writeSettings(settings_.path());
        watcher_.setDialogHandler([this](QWidget* w) { answerDialog(w); });
        form_ = ShowWindow(TestConfig(settings_.path()));
    }

    void connect()
    {
        Click(form_->btnConnect);
        ASSERT_TRUE(watcher_.boxes().empty()) << watcher_.boxes().front().text.toStdString();
        ASSERT_FALSE(form_->btnConnect->isEnabled());
    }

    // The hidden button's click, through the window's own handler guard.
    void runCommand() { form_->btnUpdateImage->click(); }

    // Answers: the file typed into the open dialog, and the text typed into
    // the input box (nullopt: Escape).
    void answerWith(const QString& file, std::optional<QString> id)
    {
        onFileDialog = [file](QFileDialog* d) { TypeFileNameAndOpen(d, file); };
        onInputBox = [id](QInputDialog* b) {
            if (id)
                TypeAnswerAndConfirm(b, *id);
            else
                QTest::keyClick(InputEdit(b), Qt::Key_Escape);
        };
    }

    // Ends the window as the program ends (its transaction committed), then
    // reads the picture on another connection.
    std::optional<Bytes> committedAfterExit(std::int32_t imageId)
    {
        form_.reset();
        return db_.committedImage(imageId);
    }

    QString file(const QString& name) const { return QDir(files_.path()).absoluteFilePath(name); }
    QStringList shownTexts() const
    {
        QStringList texts;
        for (const ShownBox& b : watcher_.boxes())
            texts << b.text;
        return texts;
    }

    std::function<void(QFileDialog*)> onFileDialog;
    std::function<void(QInputDialog*)> onInputBox;
    int fileDialogs = 0;
    int inputBoxes = 0;
    QString inputBoxSelection; // the selected text when the box opened

    const Bytes original7_ = testdb::randomBytes(3000, 7);
    const Bytes original8_ = testdb::randomBytes(2000, 8);
    const Bytes original0_ = testdb::randomBytes(1000, 10);
    const Bytes originalMinus7_ = testdb::randomBytes(1000, 11);
    TestDatabase db_;
    TempDir settings_;
    QTemporaryDir files_;
    MessageBoxWatcher watcher_;
    std::unique_ptr<TfrmDwindle> form_;

private:
    void answerDialog(QWidget* w)
    {
        QPointer<QWidget> dialog(w);
        if (auto* fd = qobject_cast<QFileDialog*>(w)) {
            ++fileDialogs;
            if (onFileDialog)
                onFileDialog(fd);
        } else if (auto* box = qobject_cast<QInputDialog*>(w)) {
            ++inputBoxes;
            inputBoxSelection = InputEdit(box) ? InputEdit(box)->selectedText() : QString();
            EXPECT_EQ(box->windowTitle(), "ImageID to Update");
            EXPECT_EQ(box->labelText(), "ImageId");
            if (onInputBox)
                onInputBox(box);
        }
        if (QWidget* still = dialog.data(); still != nullptr && still->isVisible()) {
            ADD_FAILURE() << "unexpected or unanswered dialog \"" << still->windowTitle().toStdString() << "\"";
            if (auto* d = qobject_cast<QDialog*>(still))
                d->reject();
        }
    }
};

// The portrait of the tests: a JPEG at quality 95 from Qt's writer, so its
// bytes cannot be what the program would have encoded.
TEST_F(UpdateImageCommand, StoresTheFileByteForByteUnderTheTypedId)
{
    const QByteArray bytes = WriteJpegFile(file("portrait.jpg"), 640, 480);
    connect();
    const WindowState before = stateOf(*form_);
    answerWith(file("portrait.jpg"), "7");
    runCommand();

    EXPECT_TRUE(watcher_.boxes().empty()) << shownTexts().join('\n').toStdString();
    EXPECT_EQ(fileDialogs, 1);
    EXPECT_EQ(inputBoxes, 1);
    EXPECT_EQ(inputBoxSelection, "0");
    const WindowState after = stateOf(*form_);
    EXPECT_TRUE(after.sameApartFromShrunkSide(before));
    EXPECT_EQ(after.shrunkCaptions, QStringList({QString::number(bytes.size()), "640", "480", "90"}));
    ASSERT_NE(after.shrunk, nullptr);
    const TMemoryStream* shown = form_->imgShrunk->Picture()->Data()->Data.get();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(shown->Memory()), static_cast<int>(shown->Size())), bytes);
    EXPECT_EQ(openDescriptors(file("portrait.jpg")), 0);

    // Written in the window's transaction: others see it only after the
    // program's normal end.
    EXPECT_EQ(db_.committedImage(7), original7_);
    EXPECT_EQ(committedAfterExit(7), toBytes(bytes));
    EXPECT_EQ(db_.committedImage(8), original8_);
    EXPECT_EQ(storedType(db_, 7), "JPG");
}

struct AnswerCase {
    const char* name;
    std::optional<QString> typed; // nullopt: Escape
    bool writes;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class UpdateImageAnswers : public UpdateImageCommand, public ::testing::WithParamInterface<AnswerCase> {};

// Only an answer that reads as a number greater than 0 writes; none of the
// others writes or shows anything. The file is shown either way.
TEST_P(UpdateImageAnswers, WritesOnlyForAPositiveId)
{
    const QByteArray bytes = WriteJpegFile(file("portrait.jpg"), 33, 21);
    connect();
    answerWith(file("portrait.jpg"), GetParam().typed);
    runCommand();

    EXPECT_TRUE(watcher_.boxes().empty()) << shownTexts().join('\n').toStdString();
    EXPECT_EQ(inputBoxes, 1);
    EXPECT_EQ(stateOf(*form_).shrunkCaptions, QStringList({QString::number(bytes.size()), "33", "21", "90"}));
    EXPECT_EQ(committedAfterExit(7), GetParam().writes ? toBytes(bytes) : original7_);
    EXPECT_EQ(db_.committedImage(8), original8_);
    EXPECT_EQ(db_.committedImage(0), original0_);
    EXPECT_EQ(db_.committedImage(-7), originalMinus7_);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, UpdateImageAnswers,
    ::testing::Values(AnswerCase{"Zero", QString("0"), false}, AnswerCase{"Empty", QString(""), false},
                      AnswerCase{"Negative", QString("-7"), false}, AnswerCase{"Letters", QString("abc"), false},
                      AnswerCase{"TrailingBlank", QString("7 "), false}, AnswerCase{"Escape", std::nullopt, false},
                      AnswerCase{"Seven", QString("7"), true}, AnswerCase{"LeadingBlanks", QString("  7"), true},
                      AnswerCase{"Hexadecimal", QString("$7"), true}, AnswerCase{"ZeroX", QString("0x07"), true}),
    [](const auto& p) { return std::string(p.param.name); });

// An id of no picture writes nothing and says nothing. The next use starts
// with the same file; cancelling it changes nothing on the window.
TEST_F(UpdateImageCommand, IdOfNoPictureChangesNothingAndNextUseStartsWithTheSameFile)
{
    WriteJpegFile(file("portrait.jpg"), 20, 20);
    connect();
    answerWith(file("portrait.jpg"), "99");
    runCommand();
    EXPECT_TRUE(watcher_.boxes().empty()) << shownTexts().join('\n').toStdString();

    const WindowState before = stateOf(*form_);
    onFileDialog = [](QFileDialog* d) {
        EXPECT_EQ(FileNameEdit(d)->text(), "portrait.jpg");
        EXPECT_EQ(FilterCombo(d)->currentIndex(), 0);
        QTest::keyClick(d, Qt::Key_Escape);
    };
    runCommand();
    EXPECT_EQ(fileDialogs, 2);
    EXPECT_EQ(inputBoxes, 1);
    EXPECT_TRUE(stateOf(*form_) == before);
    EXPECT_TRUE(watcher_.boxes().empty());

    EXPECT_EQ(committedAfterExit(7), original7_);
    EXPECT_EQ(db_.committedImage(8), original8_);
}

// A file that is not JPEG data, chosen through the Bitmaps entry: the codec's
// error, no input box, the window as it was, the file closed again.
TEST_F(UpdateImageCommand, BitmapIsRefusedBeforeTheInputBox)
{
    WriteImageFile(file("picture.bmp"), 20, 10, "BMP");
    connect();
    const WindowState before = stateOf(*form_);
    onFileDialog = [this](QFileDialog* d) {
        ChooseFilterEntry(d, 3);
        TypeFileNameAndOpen(d, file("picture.bmp"));
    };
    runCommand();

    EXPECT_EQ(shownTexts(), QStringList({"JPEG error #53."}));
    EXPECT_EQ(watcher_.boxes().at(0).icon, QMessageBox::Critical);
    EXPECT_EQ(inputBoxes, 0);
    EXPECT_TRUE(stateOf(*form_) == before);
    EXPECT_EQ(openDescriptors(file("picture.bmp")), 0);
    EXPECT_EQ(form_->dlgOpenImage->FilterIndex(), 4);
    EXPECT_EQ(committedAfterExit(7), original7_);
}

TEST_F(UpdateImageCommand, MissingFileGivesTheOpenError)
{
    connect();
    const WindowState before = stateOf(*form_);
    onFileDialog = [this](QFileDialog* d) { TypeFileNameAndOpen(d, file("missing.jpg")); };
    runCommand();

    EXPECT_EQ(shownTexts(),
              QStringList({"Cannot open file \"" + file("missing.jpg") + "\". No such file or directory."}));
    EXPECT_EQ(inputBoxes, 0);
    EXPECT_TRUE(stateOf(*form_) == before);
    EXPECT_EQ(committedAfterExit(7), original7_);
}

// An empty file (named without an extension: only the content counts) loads
// with 0 x 0 and is stored as an empty picture. Its first drawing fails once
// with the codec's error for no data.
TEST_F(UpdateImageCommand, EmptyFileStoresAnEmptyPicture)
{
    WriteBytes(file("empty"), {});
    connect();
    answerWith(file("empty"), "7");
    runCommand();
    form_->imgShrunk->repaint();
    QTest::qWait(50);

    EXPECT_EQ(stateOf(*form_).shrunkCaptions, QStringList({"0", "0", "0", "90"}));
    EXPECT_EQ(inputBoxes, 1);
    EXPECT_EQ(shownTexts(), QStringList({"JPEG error #42."}));
    EXPECT_EQ(committedAfterExit(7), Bytes{});
    EXPECT_EQ(db_.committedImage(8), original8_);
}

// The store refuses the write (the connection is gone): its error is shown,
// the file stays shown, and the file is closed.
TEST_F(UpdateImageCommand, RefusedWriteIsShownAndTheFileClosed)
{
    const QByteArray bytes = WriteJpegFile(file("portrait.jpg"), 24, 12);
    connect();
    answerWith(file("portrait.jpg"), "7");
    db_.killOtherAttachments();
    runCommand();

    ASSERT_EQ(watcher_.boxes().size(), 1u);
    EXPECT_FALSE(watcher_.boxes().at(0).text.isEmpty());
    EXPECT_EQ(stateOf(*form_).shrunkCaptions, QStringList({QString::number(bytes.size()), "24", "12", "90"}));
    EXPECT_EQ(openDescriptors(file("portrait.jpg")), 0);
    form_.reset();
    EXPECT_EQ(db_.committedImage(7), original7_);
}

// Before Connect there is no store to write to: the command is refused with a
// message and asks for nothing.
TEST_F(UpdateImageCommand, RefusedBeforeConnect)
{
    const WindowState before = stateOf(*form_);
    runCommand();

    EXPECT_EQ(shownTexts(),
              QStringList({"Cannot update an image: not connected to the database. Click Connect first."}));
    EXPECT_EQ(fileDialogs, 0);
    EXPECT_TRUE(stateOf(*form_) == before);
    EXPECT_EQ(committedAfterExit(7), original7_);
}

} // namespace
