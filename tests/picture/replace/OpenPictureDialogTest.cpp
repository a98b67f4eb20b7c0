// The open-picture dialog, run for real: its filter list as shown and as
// filtering, the file name and entry it remembers, and its preview pane and
// preview window.

#include "DialogAnswers.h"
#include "PictureFiles.h"

#include "PicturePreview.h"
#include "TOpenPictureDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace dwindle;
using namespace dwindle::test;

namespace {

const QStringList kShownFilters = {
    "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)",
    "JPEG Image File (*.jpg)",
    "JPEG Image File (*.jpeg)",
    "Bitmaps (*.bmp)",
    "Icons (*.ico)",
    "Enhanced Metafiles (*.emf)",
    "Metafiles (*.wmf)",
};

// A folder with one file of each kind the dialog knows and one it does not.
class OpenPictureDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        WriteJpegFile(path("a.jpg"), 40, 30);
        WriteJpegFile(path("b.jpeg"), 16, 64);
        WriteImageFile(path("c.bmp"), 20, 10, "BMP");
        WriteImageFile(path("d.ico"), 32, 32, "ICO");
        WriteBytes(path("e.emf"), QByteArray(64, '\1'));
        WriteBytes(path("f.wmf"), QByteArray(64, '\2'));
        WriteBytes(path("g.txt"), "text");
        WriteBytes(path("bad.jpg"), "not a picture at all");
    }

    QString path(const QString& name) const { return QDir(dir_.path()).absoluteFilePath(name); }

    // The files (not folders) that the dialog's view lists in the folder.
    QSet<QString> listedFiles(QFileDialog* dialog) const
    {
        QSet<QString> names;
        auto* model = dialog->findChild<QFileSystemModel*>();
        if (model == nullptr)
            return names;
        const QModelIndex root = model->index(dir_.path());
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex index = model->index(row, 0, root);
            if (!model->isDir(index))
                names.insert(model->fileName(index));
        }
        return names;
    }

    QTemporaryDir dir_;
};

TEST_F(OpenPictureDialogTest, FilterListIsBuiltFromTheRegisteredFormatsNewestFirst)
{
    TOpenPictureDialog dialog(nullptr);
    ASSERT_EQ(dialog.Filters().size(), kShownFilters.size());
    for (int i = 0; i < kShownFilters.size(); ++i)
        EXPECT_EQ(dialog.Filters()[i].Description, kShownFilters[i]) << "entry " << i + 1;
    EXPECT_EQ(dialog.Filters()[0].Patterns,
              QStringList({"*.jpg", "*.jpeg", "*.bmp", "*.ico", "*.emf", "*.wmf"}));
    EXPECT_EQ(dialog.Filters()[3].Patterns, QStringList({"*.bmp"}));
    EXPECT_EQ(dialog.Filter(),
              "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
              "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
              "Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
    EXPECT_EQ(dialog.FilterIndex(), 1);
    EXPECT_TRUE(dialog.FileName().isEmpty());
}

// Each entry as the user sees it in the dialog, and the files it lets through.
TEST_F(OpenPictureDialogTest, EveryEntryShowsItsTextAndFiltersByItsPatterns)
{
    const QList<QSet<QString>> expected = {
        {"a.jpg", "bad.jpg", "b.jpeg", "c.bmp", "d.ico", "e.emf", "f.wmf"},
        {"a.jpg", "bad.jpg"}, {"b.jpeg"}, {"c.bmp"}, {"d.ico"}, {"e.emf"}, {"f.wmf"},
    };
    TOpenPictureDialog dialog(nullptr);
    dialog.SetFileName(path("a.jpg")); // opens in the fixture's folder
    auto answer = WhenFileDialogOpens([&](QFileDialog* fd) {
        QComboBox* combo = FilterCombo(fd);
        ASSERT_NE(combo, nullptr);
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i)
            shown << combo->itemText(i);
        EXPECT_EQ(shown, kShownFilters);
        EXPECT_EQ(combo->currentIndex(), 0);
        for (int i = 0; i < expected.size(); ++i) {
            ChooseFilterEntry(fd, i);
            EXPECT_TRUE(WaitFor([&] { return listedFiles(fd) == expected[i]; }))
                << "entry " << i + 1 << " lists " << QStringList(listedFiles(fd).values()).join(' ').toStdString();
        }
        fd->reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(answer->Answered());
}

// Two confirmed uses and a cancelled one between others: each use starts with
// the file and entry that the last confirmed use chose.
TEST_F(OpenPictureDialogTest, RemembersFileAndEntryOfTheLastConfirmedUse)
{
    TOpenPictureDialog dialog(nullptr);

    auto first = WhenFileDialogOpens([&](QFileDialog* fd) {
        EXPECT_EQ(FilterCombo(fd)->currentIndex(), 0);
        EXPECT_TRUE(FileNameEdit(fd)->text().isEmpty());
        ChooseFilterEntry(fd, 3); // Bitmaps
        TypeFileNameAndOpen(fd, path("c.bmp"));
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_TRUE(first->Answered());
    EXPECT_EQ(dialog.FileName(), path("c.bmp"));
    EXPECT_EQ(dialog.FilterIndex(), 4);

    auto opensAsConfirmed = [&](QFileDialog* fd) {
        EXPECT_EQ(FilterCombo(fd)->currentText(), "Bitmaps (*.bmp)");
        EXPECT_EQ(FileNameEdit(fd)->text(), "c.bmp");
        EXPECT_EQ(QDir(fd->directory()).absolutePath(), QDir(dir_.path()).absolutePath());
    };
    auto cancelled = WhenFileDialogOpens([&](QFileDialog* fd) {
        opensAsConfirmed(fd);
        ChooseFilterEntry(fd, 1);
        FileNameEdit(fd)->setText("a.jpg");
        QTest::keyClick(fd, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(cancelled->Answered());
    EXPECT_EQ(dialog.FileName(), path("c.bmp"));
    EXPECT_EQ(dialog.FilterIndex(), 4);

    // A typed name of a file that does not exist is returned as it is.
    auto third = WhenFileDialogOpens([&](QFileDialog* fd) {
        opensAsConfirmed(fd);
        ChooseFilterEntry(fd, 2);
        TypeFileNameAndOpen(fd, "missing.jpeg");
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), path("missing.jpeg"));
    EXPECT_EQ(dialog.FilterIndex(), 3);
}

struct PreviewCase {
    const char* file;
    const char* caption; // the line above the picture
    QSize picture;       // empty: "(None)"
};

void PrintTo(const PreviewCase& c, std::ostream* os) { *os << c.file; }

class PreviewPaneTest : public OpenPictureDialogTest, public ::testing::WithParamInterface<PreviewCase> {};

// Typing a name in the dialog selects the file; the pane follows it.
TEST_P(PreviewPaneTest, ShowsThePictureOfTheSelectedFile)
{
    const PreviewCase& c = GetParam();
    TOpenPictureDialog dialog(nullptr);
    dialog.SetFileName(path("g.txt"));
    auto answer = WhenFileDialogOpens([&](QFileDialog* fd) {
        auto* caption = fd->findChild<QLabel*>("picturePreviewLabel");
        auto* button = fd->findChild<QPushButton*>("picturePreviewButton");
        auto* pane = fd->findChild<TPicturePane*>("picturePreviewImage");
        ASSERT_TRUE(caption && button && pane);
        EXPECT_EQ(caption->text(), "Picture:");
        EXPECT_FALSE(button->isEnabled());
        EXPECT_EQ(button->toolTip(), "Preview");

        FileNameEdit(fd)->setText(QString::fromLatin1(c.file));
        EXPECT_EQ(caption->text(), QString::fromLatin1(c.caption));
        EXPECT_EQ(pane->Picture().isNull(), c.picture.isEmpty());
        EXPECT_EQ(pane->Picture().size(), c.picture.isEmpty() ? QSize(0, 0) : c.picture);
        EXPECT_EQ(button->isEnabled(), !c.picture.isEmpty());
        if (!c.picture.isEmpty()) {
            // Scaled to fit, proportions kept, centred.
            const QRect r = pane->PictureRect();
            EXPECT_TRUE(pane->rect().contains(r));
            EXPECT_TRUE(r.width() == pane->width() || r.height() == pane->height());
            EXPECT_NEAR(double(r.width()) / r.height(), double(c.picture.width()) / c.picture.height(), 0.05);
            EXPECT_LE(std::abs(r.center().x() - pane->rect().center().x()), 1);
            EXPECT_LE(std::abs(r.center().y() - pane->rect().center().y()), 1);
        }
        fd->reject();
    });
    dialog.Execute();
    EXPECT_TRUE(answer->Answered());
}

INSTANTIATE_TEST_SUITE_P(
    Files, PreviewPaneTest,
    ::testing::Values(PreviewCase{"a.jpg", " (40x30)", {40, 30}}, PreviewCase{"b.jpeg", " (16x64)", {16, 64}},
                      PreviewCase{"c.bmp", " (20x10)", {20, 10}}, PreviewCase{"d.ico", " (32x32)", {32, 32}},
                      PreviewCase{"e.emf", "Picture:", {}}, PreviewCase{"f.wmf", "Picture:", {}},
                      PreviewCase{"g.txt", "Picture:", {}}, PreviewCase{"bad.jpg", "Picture:", {}},
                      PreviewCase{"missing.jpg", "Picture:", {}}),
    [](const auto& p) { return QString(p.param.file).replace('.', '_').toStdString(); });

// The Preview button and a double click open the preview window; Escape closes it.
TEST_F(OpenPictureDialogTest, PreviewWindowOpensFromButtonAndDoubleClick)
{
    TOpenPictureDialog dialog(nullptr);
    dialog.SetFileName(path("a.jpg"));
    int opened = 0;
    auto checkAndEscape = [&](QDialog* window) {
        ++opened;
        EXPECT_EQ(window->windowTitle(), "Preview");
        EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
        EXPECT_EQ(window->size(), QSize(50, 40));
        EXPECT_LT(window->minimumSize().width(), window->maximumSize().width()); // sizeable
        const QRect screen = window->screen()->geometry();
        EXPECT_LE((window->frameGeometry().center() - screen.center()).manhattanLength(), 2);
        auto* pane = window->findChild<TPicturePane*>();
        ASSERT_NE(pane, nullptr);
        EXPECT_EQ(pane->Picture().size(), QSize(40, 30));
        QTest::keyClick(window, Qt::Key_Escape);
    };
    auto answer = WhenFileDialogOpens([&](QFileDialog* fd) {
        auto* button = fd->findChild<QPushButton*>("picturePreviewButton");
        auto* pane = fd->findChild<TPicturePane*>("picturePreviewImage");
        ASSERT_TRUE(button && pane);
        ASSERT_TRUE(button->isEnabled());
        {
            auto preview = WhenPreviewWindowOpens(checkAndEscape);
            QTest::mouseClick(button, Qt::LeftButton);
            EXPECT_TRUE(preview->Answered());
        }
        {
            auto preview = WhenPreviewWindowOpens(checkAndEscape);
            QTest::mouseDClick(pane, Qt::LeftButton, {}, pane->rect().center());
            EXPECT_TRUE(preview->Answered());
        }
        fd->reject();
    });
    dialog.Execute();
    EXPECT_TRUE(answer->Answered());
    EXPECT_EQ(opened, 2);
}

TEST(PreviewWindowSize, PictureWithTenPixelsToSpareAtMostThreeQuartersOfTheMonitor)
{
    EXPECT_EQ(PreviewWindowSize({40, 30}, {1024, 768}), QSize(50, 40));
    EXPECT_EQ(PreviewWindowSize({2000, 100}, {1024, 768}), QSize(768, 110));
    EXPECT_EQ(PreviewWindowSize({100, 3000}, {1024, 768}), QSize(110, 576));
    EXPECT_EQ(PreviewWindowSize({5000, 5000}, {1920, 1080}), QSize(1440, 810));
}

} // namespace
