#include "TfrmDwindle.h"

#include "PictureStoreSql.h"

#include "Controls.h"
#include "DefaultHandler.h"
#include "IBDatabase.h"
#include "TOpenPictureDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QSessionManager>

#include <utility>

namespace dwindle {

namespace {

// The layout below is given for a window font whose "0" is 13 pixels high.
constexpr int kDesignTextHeight = 13;

// The window font: "MS Sans Serif" at 11 pixels when it is installed,
// otherwise the system's sans-serif face at the same pixel size.
QFont windowFont()
{
    QFont font;
    if (QFontDatabase::families().contains(QStringLiteral("MS Sans Serif")))
        font = QFont(QStringLiteral("MS Sans Serif"));
    else
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    font.setBold(false);
    font.setItalic(false);
    return font;
}

} // namespace

TfrmDwindle::TfrmDwindle(std::string settingsDir, QWidget* parent)
    : TfrmDwindle(DwindleConfig{std::move(settingsDir), DefaultClientLibrary(), {}}, parent)
{
}

TfrmDwindle::TfrmDwindle(const DwindleConfig& config, QWidget* parent)
    : QWidget(parent), FSettingsDir(config.settingsDir), FClientLibrary(config.clientLibrary)
{
    setObjectName(QStringLiteral("frmDwindle"));
    setWindowTitle(QStringLiteral("Korvane Resize Employee Pictures"));
    // A dialog frame: a close box only, no minimise, maximise or help box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button)); // the button face colour
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    try {
        CreateControls();
        CreateComponents();
    } catch (...) {
        ReleaseComponents();
        throw;
    }

#ifndef QT_NO_SESSIONMANAGER
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &TfrmDwindle::SessionCommitData,
                Qt::DirectConnection);
#endif
}

void TfrmDwindle::CreateControls()
{
    // Every position and size scales by the measured height of "0" against
    // the 13 pixels the layout was drawn for, rounded to the nearest pixel.
    const int textHeight = QFontMetrics(font()).boundingRect(QStringLiteral("0")).height();
    auto scaled = [textHeight](int v) {
        const long long n = static_cast<long long>(v) * textHeight;
        return static_cast<int>((2 * n + kDesignTextHeight) / (2 * kDesignTextHeight));
    };

    const int clientWidth = scaled(975);
    const int clientHeight = scaled(362);

    QFont bold = font();
    bold.setBold(true);

    auto makeImage = [&](const char* name, int left, int top) {
        auto* image = new TImage(this);
        image->setObjectName(QString::fromLatin1(name));
        image->setGeometry(scaled(left), scaled(top), scaled(313), scaled(313));
        return image;
    };
    // Caption labels are drawn in the window text colour, value labels in blue.
    auto makeLabel = [&](const char* name, int left, int top, const QString& caption, bool valueLabel) {
        auto* label = new TLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(bold);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, valueLabel ? QColor(0, 0, 255) : QColor(0, 0, 0));
        label->setPalette(pal);
        label->setAutoFillBackground(true);
        label->move(scaled(left), scaled(top));
        label->SetCaption(caption);
        return label;
    };
    auto caption = [&](const char* name, int left, int top, const char* text) {
        return makeLabel(name, left, top, QString::fromLatin1(text), false);
    };
    auto value = [&](const char* name, int left, int top) {
        return makeLabel(name, left, top, QStringLiteral("00000"), true);
    };
    auto makeButton = [&](const char* name, int left, int top, int width, const char* text) {
        auto* button = new TButton(QString::fromLatin1(text), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(scaled(left), scaled(top), scaled(width), scaled(25));
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
        return button;
    };

    // In the order of the window's description: later ones lie above earlier ones.
    imgOriginal = makeImage("imgOriginal", 328, 16);
    lblStreamSizeBlurb = caption("lblStreamSizeBlurb", 16, 48, "Stream Size");
    lblStreamSize = value("lblStreamSize", 128, 48);
    Label1 = caption("Label1", 16, 64, "Width");
    lblWidth = value("lblWidth", 128, 64);
    Label3 = caption("Label3", 16, 80, "Height");
    lblHeight = value("lblHeight", 128, 80);
    imgShrunk = makeImage("imgShrunk", 648, 16);
    Label2 = caption("Label2", 16, 96, "Quality");
    lblQuality = value("lblQuality", 128, 96);
    Label4 = caption("Label4", 16, 128, "Stream Size");
    lblShrunkSize = value("lblShrunkSize", 128, 128);
    Label6 = caption("Label6", 16, 144, "Width");
    lblShrunkWidth = value("lblShrunkWidth", 128, 144);
    Label8 = caption("Label8", 16, 160, "Height");
    lblShrunkHeight = value("lblShrunkHeight", 128, 160);
    Label10 = caption("Label10", 16, 176, "Quality");
    lblShrunkQuality = value("lblShrunkQuality", 128, 176);
    Label5 = caption("Label5", 16, 208, "Max Stream Size");
    lblMaxSize = value("lblMaxSize", 128, 208);
    Label9 = caption("Label9", 16, 224, "Max Width");
    lblMaxWidth = value("lblMaxWidth", 128, 224);
    Label12 = caption("Label12", 16, 240, "Max Height");
    lblMaxHeight = value("lblMaxHeight", 128, 240);
    lblFirstName = value("lblFirstName", 128, 272);
    lblLastName = value("lblLastName", 128, 288);
    Label13 = caption("Label13", 16, 272, "First Name");
    Label14 = caption("Label14", 16, 288, "Last Name");
    lblProgress = value("lblProgress", 128, 312);

    btnConnect = makeButton("btnConnect", 16, 8, 75, "Connect");
    btnConnect->setFont(bold);
    btnRun = makeButton("btnRun", 104, 8, 75, "Run");
    btnRun->setEnabled(false);
    btnUpdateImage = makeButton("btnUpdateImage", 192, 8, 81, "Update Image");
    btnUpdateImage->setVisible(false); // the hidden maintenance command; a hidden button takes no focus

    pbCount = new TProgressBar(this);
    pbCount->setObjectName(QStringLiteral("pbCount"));
    // Along the bottom edge, the full client width.
    pbCount->setGeometry(0, clientHeight - scaled(17), clientWidth, scaled(17));
    pbCount->setFocusPolicy(Qt::NoFocus);

    setTabOrder(btnConnect, btnRun);
    setTabOrder(btnRun, btnUpdateImage);

    // Every handler runs guarded: its failure goes to the default handler and
    // never unwinds into Qt's signal dispatch.
    connect(btnConnect, &QPushButton::clicked, this, [this] { Guarded([this] { btnConnectClick(btnConnect); }); });
    connect(btnRun, &QPushButton::clicked, this, [this] { Guarded([this] { btnRunClick(btnRun); }); });
    connect(btnUpdateImage, &QPushButton::clicked, this,
            [this] { Guarded([this] { btnUpdateImageClick(btnUpdateImage); }); });

    setFixedSize(clientWidth, clientHeight);
    move(192, 114); // the outer top-left corner, frame included
    btnConnect->setFocus(Qt::OtherFocusReason);
}

void TfrmDwindle::CreateComponents()
{
    // Creating the connection loads the client library; the failure to do so
    // ends the window's creation.
    dbPaxtor = new TIBDatabase("dbPaxtor", FClientLibrary);
    // The listing is created before the transaction; it uses the connection's
    // default transaction until it is told its own.
    qryImages = new TIBQuery("qryImages", dbPaxtor, nullptr, kImagesSql);
    IBTransaction1 = new TIBTransaction(dbPaxtor, "IBTransaction1");
    dbPaxtor->SetDefaultTransaction(IBTransaction1);
    qryImages->SetTransaction(IBTransaction1);
    qryUpdateImage = new TIBQuery("qryUpdateImage", dbPaxtor, IBTransaction1, kUpdateImageSql);
    dlgOpenImage = new TOpenPictureDialog(this);
    dlgOpenImage->setObjectName(QStringLiteral("dlgOpenImage"));
    qryCount = new TIBQuery("qryCount", dbPaxtor, IBTransaction1, kCountSql);
}

TfrmDwindle::~TfrmDwindle()
{
    ReleaseComponents();
}

void TfrmDwindle::ReleaseComponents() noexcept
{
    // Controls first, the last created first.
    auto release = [](auto*& p) {
        delete p;
        p = nullptr;
    };
    release(pbCount);
    release(btnUpdateImage);
    release(btnRun);
    release(btnConnect);
    release(lblProgress);
    release(Label14);
    release(Label13);
    release(lblLastName);
    release(lblFirstName);
    release(lblMaxHeight);
    release(Label12);
    release(lblMaxWidth);
    release(Label9);
    release(lblMaxSize);
    release(Label5);
    release(lblShrunkQuality);
    release(Label10);
    release(lblShrunkHeight);
    release(Label8);
    release(lblShrunkWidth);
    release(Label6);
    release(lblShrunkSize);
    release(Label4);
    release(lblQuality);
    release(Label2);
    release(imgShrunk);
    release(lblHeight);
    release(Label3);
    release(lblWidth);
    release(Label1);
    release(lblStreamSize);
    release(lblStreamSizeBlurb);
    release(imgOriginal);
    // Then the non-visual components in reverse: the transaction is ended
    // (committed) while the connection is still open, and the connection is
    // closed last.
    release(qryCount);
    release(dlgOpenImage);
    release(qryUpdateImage);
    release(IBTransaction1);
    release(qryImages);
    release(dbPaxtor);
}

void TfrmDwindle::FormCloseQuery(QObject*, bool& CanClose)
{
    CanClose = !FRunning;
}

void TfrmDwindle::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    FormCloseQuery(this, canClose);
    if (canClose)
        event->accept();
    else
        event->ignore(); // dropped, not remembered
}

void TfrmDwindle::SessionCommitData(QSessionManager& manager)
{
    bool canClose = true;
    FormCloseQuery(this, canClose);
    if (!canClose)
        manager.cancel();
}

} // namespace dwindle
