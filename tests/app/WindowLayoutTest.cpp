// The window as a user first sees it: every control against the window's
// tables (name, class, place, size, caption, font, colour, state), the frame,
// the start-up focus and the keyboard's reach.

#include "Controls.h"
#include "TestDatabase.h"
#include "TfrmDwindle.h"
#include "WindowTestAccess.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <cmath>

namespace dwindle {
namespace {

enum class Kind { Image, Caption, Value, Button, Bar };

struct ControlRow {
    const char* name;
    Kind kind;
    int left, top, width, height; // as the tables give them, for a 13-pixel "0"
    const char* caption;          // labels and buttons
    bool bold;
    bool enabled;
    bool visible;
};

// The window's description, in creation order.
const ControlRow kControls[] = {
    {"imgOriginal", Kind::Image, 328, 16, 313, 313, "", false, true, true},
    {"lblStreamSizeBlurb", Kind::Caption, 16, 48, 68, 13, "Stream Size", true, true, true},
    {"lblStreamSize", Kind::Value, 128, 48, 36, 13, "00000", true, true, true},
    {"Label1", Kind::Caption, 16, 64, 34, 13, "Width", true, true, true},
    {"lblWidth", Kind::Value, 128, 64, 36, 13, "00000", true, true, true},
    {"Label3", Kind::Caption, 16, 80, 38, 13, "Height", true, true, true},
    {"lblHeight", Kind::Value, 128, 80, 36, 13, "00000", true, true, true},
    {"imgShrunk", Kind::Image, 648, 16, 313, 313, "", false, true, true},
    {"Label2", Kind::Caption, 16, 96, 40, 13, "Quality", true, true, true},
    {"lblQuality", Kind::Value, 128, 96, 36, 13, "00000", true, true, true},
    {"Label4", Kind::Caption, 16, 128, 68, 13, "Stream Size", true, true, true},
    {"lblShrunkSize", Kind::Value, 128, 128, 36, 13, "00000", true, true, true},
    {"Label6", Kind::Caption, 16, 144, 34, 13, "Width", true, true, true},
    {"lblShrunkWidth", Kind::Value, 128, 144, 36, 13, "00000", true, true, true},
    {"Label8", Kind::Caption, 16, 160, 38, 13, "Height", true, true, true},
    {"lblShrunkHeight", Kind::Value, 128, 160, 36, 13, "00000", true, true, true},
    {"Label10", Kind::Caption, 16, 176, 40, 13, "Quality", true, true, true},
    {"lblShrunkQuality", Kind::Value, 128, 176, 36, 13, "00000", true, true, true},
    {"Label5", Kind::Caption, 16, 208, 95, 13, "Max Stream Size", true, true, true},
    {"lblMaxSize", Kind::Value, 128, 208, 36, 13, "00000", true, true, true},
    {"Label9", Kind::Caption, 16, 224, 61, 13, "Max Width", true, true, true},
    {"lblMaxWidth", Kind::Value, 128, 224, 36, 13, "00000", true, true, true},
    {"Label12", Kind::Caption, 16, 240, 65, 13, "Max Height", true, true, true},
    {"lblMaxHeight", Kind::Value, 128, 240, 36, 13, "00000", true, true, true},
    {"lblFirstName", Kind::Value, 128, 272, 36, 13, "00000", true, true, true},
    {"lblLastName", Kind::Value, 128, 288, 36, 13, "00000", true, true, true},
    {"Label13", Kind::Caption, 16, 272, 61, 13, "First Name", true, true, true},
    {"Label14", Kind::Caption, 16, 288, 61, 13, "Last Name", true, true, true},
    {"lblProgress", Kind::Value, 128, 312, 36, 13, "00000", true, true, true},
    {"btnConnect", Kind::Button, 16, 8, 75, 25, "Connect", true, true, true},
    {"btnRun", Kind::Button, 104, 8, 75, 25, "Run", false, false, true},
    {"btnUpdateImage", Kind::Button, 192, 8, 81, 25, "Update Image", false, true, false},
    {"pbCount", Kind::Bar, 0, 345, 975, 17, "", false, true, true},
};

const char* className(Kind kind)
{
    switch (kind) {
    case Kind::Image: return "dwindle::TImage";
    case Kind::Caption:
    case Kind::Value: return "dwindle::TLabel";
    case Kind::Button: return "dwindle::TButton";
    case Kind::Bar: return "dwindle::TProgressBar";
    }
    return "";
}

class WindowLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = test::ShowWindow(test::TestConfig(settings.path()));
        textHeight = QFontMetrics(form->font()).boundingRect(QStringLiteral("0")).height();
    }
    // The layout's rule: every figure times the measured height of "0" over 13,
    // rounded to the nearest pixel.
    int scaled(int v) const { return static_cast<int>(std::lround(v * textHeight / 13.0)); }

    testdb::TempDir settings;
    std::unique_ptr<TfrmDwindle> form;
    int textHeight = 13;
};

TEST_F(WindowLayout, EveryControlMatchesTheTables)
{
    const QList<QWidget*> children = form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(children.size(), static_cast<qsizetype>(std::size(kControls)));
    // The members point at the controls of those names, created in table order
    // (so later controls lie above earlier ones).
    QWidget* const members[] = {
        form->imgOriginal, form->lblStreamSizeBlurb, form->lblStreamSize, form->Label1, form->lblWidth,
        form->Label3, form->lblHeight, form->imgShrunk, form->Label2, form->lblQuality, form->Label4,
        form->lblShrunkSize, form->Label6, form->lblShrunkWidth, form->Label8, form->lblShrunkHeight,
        form->Label10, form->lblShrunkQuality, form->Label5, form->lblMaxSize, form->Label9,
        form->lblMaxWidth, form->Label12, form->lblMaxHeight, form->lblFirstName, form->lblLastName,
        form->Label13, form->Label14, form->lblProgress, form->btnConnect, form->btnRun,
        form->btnUpdateImage, form->pbCount};

    const bool designFont = form->font().family() == QStringLiteral("MS Sans Serif");
    for (std::size_t i = 0; i < std::size(kControls); ++i) {
        const ControlRow& row = kControls[i];
        SCOPED_TRACE(row.name);
        QWidget* w = children[static_cast<qsizetype>(i)];
        EXPECT_EQ(w, members[i]);
        EXPECT_EQ(w->objectName().toStdString(), row.name);
        EXPECT_STREQ(w->metaObject()->className(), className(row.kind));
        EXPECT_EQ(w->pos(), QPoint(scaled(row.left), scaled(row.top)));
        EXPECT_EQ(w->isEnabled(), row.enabled);
        EXPECT_EQ(w->isVisible(), row.visible);
        EXPECT_EQ(w->font().bold(), row.bold);
        EXPECT_EQ(w->font().family(), form->font().family());
        EXPECT_EQ(w->font().pixelSize(), 11);

        switch (row.kind) {
        case Kind::Caption:
        case Kind::Value: {
            auto* label = static_cast<TLabel*>(w);
            EXPECT_EQ(label->Caption().toStdString(), row.caption);
            // Self-sizing: one line of text in the label's own font.
            const QSize text = QFontMetrics(label->font()).size(Qt::TextSingleLine, label->Caption());
            EXPECT_EQ(label->size(), text);
            EXPECT_EQ(label->height(), scaled(row.height));
            if (designFont) {
                EXPECT_EQ(label->width(), row.width);
            }
            const QColor expected = row.kind == Kind::Value ? QColor(0, 0, 255) : QColor(0, 0, 0);
            EXPECT_EQ(label->palette().color(QPalette::WindowText), expected);
            EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
            break;
        }
        case Kind::Button: {
            auto* button = static_cast<TButton*>(w);
            EXPECT_EQ(button->size(), QSize(scaled(row.width), scaled(row.height)));
            EXPECT_EQ(button->text().toStdString(), row.caption);
            EXPECT_FALSE(button->isDefault());
            EXPECT_FALSE(button->autoDefault());
            break;
        }
        case Kind::Image: {
            auto* image = static_cast<TImage*>(w);
            EXPECT_EQ(image->size(), QSize(scaled(row.width), scaled(row.height)));
            EXPECT_EQ(image->Picture(), nullptr);
            break;
        }
        case Kind::Bar: {
            auto* bar = static_cast<TProgressBar*>(w);
            // Along the bottom, the full client width.
            EXPECT_EQ(bar->geometry(), QRect(0, form->height() - scaled(17), form->width(), scaled(17)));
            EXPECT_EQ(bar->Max(), 100);
            EXPECT_EQ(bar->Position(), 0);
            EXPECT_EQ(bar->minimum(), 0);
            EXPECT_EQ(bar->value(), 0);
            EXPECT_FALSE(bar->isTextVisible());
            EXPECT_EQ(bar->orientation(), Qt::Horizontal);
            EXPECT_EQ(bar->focusPolicy(), Qt::NoFocus);
            break;
        }
        }
    }
}

TEST_F(WindowLayout, WindowFrameCaptionPlaceAndFont)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Korvane Resize Employee Pictures"));
    EXPECT_EQ(form->objectName(), QStringLiteral("frmDwindle"));
    const QSize client(scaled(975), scaled(362));
    EXPECT_EQ(form->size(), client);
    EXPECT_EQ(form->minimumSize(), client); // fixed: the user cannot resize it
    EXPECT_EQ(form->maximumSize(), client);
    EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(192, 114));

    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));

    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_FALSE(form->font().bold());
    EXPECT_EQ(form->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
}

TEST_F(WindowLayout, ConnectHasTheFocusAndTabNeverReachesHiddenOrDisabledControls)
{
    EXPECT_EQ(QApplication::focusWidget(), form->btnConnect);
    // Run is disabled and Update Image hidden: Tab stays on Connect.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->btnConnect);
    // Once Run is enabled, Tab goes Connect, Run, Connect: never to Update
    // Image nor to the progress bar.
    form->btnRun->setEnabled(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->btnRun);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->btnConnect);
}

TEST_F(WindowLayout, ImageBoxesStartEmptyAndShowTheWindowBackground)
{
    const QImage shot = form->grab().toImage();
    const QColor face = form->palette().color(QPalette::Window);
    for (TImage* box : {form->imgOriginal, form->imgShrunk}) {
        const QRect r = box->geometry();
        for (QPoint p : {r.topLeft(), r.center(), r.bottomRight()})
            EXPECT_EQ(shot.pixelColor(p), face) << box->objectName().toStdString();
    }
}

// A label's text with "&": the mark is not shown and the next character is
// underlined; "&&" shows one "&". The label's width follows what is shown.
TEST_F(WindowLayout, AccessKeyMarksInLabels)
{
    struct Row {
        const char* caption;
        const char* shown;
    };
    const Row rows[] = {{"Smith & Jones", "Smith  Jones"}, {"A&&B", "A&B"}, {"&Anna", "Anna"}};
    TLabel* label = form->lblLastName;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption);
        label->SetCaption(QString::fromUtf8(row.caption));
        EXPECT_EQ(label->Caption(), QString::fromUtf8(row.caption));
        EXPECT_EQ(label->pos(), QPoint(scaled(128), scaled(288))); // left edge kept
        EXPECT_EQ(label->size(), QFontMetrics(label->font()).size(Qt::TextSingleLine, QString::fromUtf8(row.shown)));
    }
    // Drawn: "&&" exactly as a plain "&", "&A" as an underlined A.
    auto drawnPlain = [&](const QString& text) {
        QImage image(label->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(label->palette().color(QPalette::Window));
        QPainter painter(&image);
        painter.setFont(label->font());
        painter.setPen(label->palette().color(QPalette::WindowText));
        painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        return image;
    };
    auto shown = [&](const QString& caption) {
        label->SetCaption(caption);
        return label->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    const QImage doubled = shown(QStringLiteral("A&&B"));
    EXPECT_EQ(doubled, drawnPlain(QStringLiteral("A&B")));
    const QImage marked = shown(QStringLiteral("&Anna"));
    const QImage plain = drawnPlain(QStringLiteral("Anna"));
    ASSERT_EQ(marked.size(), plain.size());
    EXPECT_NE(marked, plain); // the underline
    // The underline sits below the first letter only.
    const int firstLetter = QFontMetrics(label->font()).horizontalAdvance(u'A');
    EXPECT_EQ(marked.copy(firstLetter + 1, 0, marked.width() - firstLetter - 1, marked.height()),
              plain.copy(firstLetter + 1, 0, plain.width() - firstLetter - 1, plain.height()));
}

TEST_F(WindowLayout, LongValueLabelsGrowToTheRightOverThePictureBox)
{
    const QString longName(60, u'W');
    form->lblFirstName->SetCaption(longName);
    EXPECT_EQ(form->lblFirstName->x(), scaled(128));
    EXPECT_GT(form->lblFirstName->geometry().right(), form->imgOriginal->x());
    EXPECT_EQ(form->lblFirstName->height(), QFontMetrics(form->lblFirstName->font()).height());
}

TEST_F(WindowLayout, ProgressBarKeepsItsFiguresAndShowsEmptyForAZeroMaximum)
{
    TProgressBar* bar = form->pbCount;
    bar->SetMax(0);
    EXPECT_EQ(bar->Max(), 0);
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_NE(bar->minimum(), bar->maximum()); // not Qt's busy indicator
    bar->SetMax(60);
    bar->SetPosition(57);
    EXPECT_EQ(bar->Position(), 57);
    EXPECT_EQ(bar->value(), 57);
    EXPECT_EQ(bar->maximum(), 60);
    bar->SetPosition(70);
    EXPECT_EQ(bar->Position(), 60);
}

} // namespace
} // namespace dwindle
