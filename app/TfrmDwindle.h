#pragma once
// The program's one window: every control and component named as on the
// window, the busy flag of a batch run, and the handlers of the commands.
// The commands' work is defined beside their subsystems: Connect and
// UpdateImage in db/, Run and Update Image in picture/.

#include "DwindleConfig.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class QCloseEvent;
class QSessionManager;

namespace dwindle {

class TLabel;
class TButton;
class TProgressBar;
class TImage;
class TIBDatabase;
class TIBTransaction;
class TIBQuery;
class TOpenPictureDialog;
class TStream;

class TfrmDwindle : public QWidget {
    Q_OBJECT
public:
    // settingsDir: the folder that holds "paxtor.ini"; the program passes its
    // fixed place. Creating the window loads the database client library.
    // The client library is the one this library was built with.
    explicit TfrmDwindle(std::string settingsDir, QWidget* parent = nullptr);
    // The settings folder and the client library file name from config.
    explicit TfrmDwindle(const DwindleConfig& config, QWidget* parent = nullptr);
    ~TfrmDwindle() override;

    // Controls, in the order of their creation. Owned by the window.
    TImage* imgOriginal = nullptr;
    TLabel* lblStreamSizeBlurb = nullptr;
    TLabel* lblStreamSize = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* lblWidth = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* lblHeight = nullptr;
    TImage* imgShrunk = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* lblQuality = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* lblShrunkSize = nullptr;
    TLabel* Label6 = nullptr;
    TLabel* lblShrunkWidth = nullptr;
    TLabel* Label8 = nullptr;
    TLabel* lblShrunkHeight = nullptr;
    TLabel* Label10 = nullptr;
    TLabel* lblShrunkQuality = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* lblMaxSize = nullptr;
    TLabel* Label9 = nullptr;
    TLabel* lblMaxWidth = nullptr;
    TLabel* Label12 = nullptr;
    TLabel* lblMaxHeight = nullptr;
    TLabel* lblFirstName = nullptr;
    TLabel* lblLastName = nullptr;
    TLabel* Label13 = nullptr;
    TLabel* Label14 = nullptr;
    TLabel* lblProgress = nullptr;
    TButton* btnConnect = nullptr;
    TButton* btnRun = nullptr;
    TButton* btnUpdateImage = nullptr;
    TProgressBar* pbCount = nullptr;
    // Non-visual components, in the order of their creation; released in reverse.
    TIBDatabase* dbPaxtor = nullptr;
    TIBQuery* qryImages = nullptr;
    TIBTransaction* IBTransaction1 = nullptr;
    TIBQuery* qryUpdateImage = nullptr;
    TOpenPictureDialog* dlgOpenImage = nullptr;
    TIBQuery* qryCount = nullptr;

    void btnConnectClick(QObject* Sender);
    void btnRunClick(QObject* Sender);
    void btnUpdateImageClick(QObject* Sender);
    void FormCloseQuery(QObject* Sender, bool& CanClose);

    const std::string& SettingsDir() const noexcept { return FSettingsDir; }
    const std::string& ClientLibrary() const noexcept { return FClientLibrary; }

    // The answer to a session shutdown: refused (the shutdown cancelled)
    // exactly when FormCloseQuery refuses to close.
    void SessionCommitData(QSessionManager& manager);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class TfrmDwindleTestAccess;

    void UpdateImage(std::int32_t ImageId, TStream& Stream);

    void CreateControls();
    void CreateComponents();
    // Releases every control, last created first, then the non-visual
    // components in reverse creation order. Safe on a partly built window.
    void ReleaseComponents() noexcept;

    bool FRunning = false;
    std::string FSettingsDir;
    std::string FClientLibrary;
};

} // namespace dwindle
