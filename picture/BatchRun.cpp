// The Run command: the batch shrink run. Walks every row of the picture
// listing; each row typed exactly "JPG" is shown, re-encoded at quality 40,
// shown again beside the run's maxima and, when the stored picture is over
// 50000 bytes, written back in the open transaction. Nothing is committed
// here: the transaction ends when the program does.

#include "JPEGImage.h"
#include "Stream.h"
#include "TfrmDwindle.h"
#include "Controls.h"
#include "IBDatabase.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace dwindle {

namespace {

// Quality of the re-encoding, and the stored size above which it is written.
constexpr int kShrunkQuality = 40;
constexpr std::int32_t kWriteBackAbove = 50000;

// Passes after which the pending messages count as processed even when every
// pass still found something (a zero-interval timer would otherwise keep the
// run here for ever).
constexpr int kMaxMessagePasses = 1000;

// Dispatches every pending message: window-system input, posted events (paint
// requests, close requests, queued clicks) and due timers, then whatever those
// posted in turn, until a pass finds nothing to do. One call of
// QCoreApplication::processEvents() is a single pass: events posted while it
// dispatches wait for the next one. Deferred deletions posted by the handlers
// that are still on the stack stay deferred, as Qt intends: the objects may
// still be in use further up.
void processPendingMessages()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    for (int pass = 0; pass < kMaxMessagePasses; ++pass)
        if (!dispatcher->processEvents(QEventLoop::AllEvents))
            break;
}

QString decimal(std::int64_t value) { return QString::number(value); }

// The run's own objects, created in this order and freed in the same order
// whichever way the run ends. The busy flag is cleared first, once the run
// has set it.
class RunState {
public:
    explicit RunState(bool& running)
        : running_(running), stream(std::make_unique<TMemoryStream>()), working(std::make_unique<TJPEGImage>()),
          result(std::make_unique<TJPEGImage>())
    {
    }
    ~RunState()
    {
        if (started_)
            running_ = false;
        stream.reset();
        working.reset();
        result.reset();
    }
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    void start() noexcept
    {
        running_ = true;
        started_ = true;
    }

private:
    bool& running_;
    bool started_ = false;

public:
    std::unique_ptr<TMemoryStream> stream;  // the stored bytes, later the re-encoded bytes
    std::unique_ptr<TJPEGImage> working;    // decodes the stored picture and re-encodes it
    std::unique_ptr<TJPEGImage> result;     // reads the re-encoding back to show and measure it
};

} // namespace

void TfrmDwindle::btnRunClick(QObject* /*Sender*/)
{
    // Both statements are executed anew, so a run (also one started inside
    // another) always begins at the first row.
    qryCount->Close();
    qryCount->Open();
    qryImages->Close();
    qryImages->Open();
    pbCount->SetMax(qryCount->FieldByName("EmpCount").AsInteger());
    pbCount->SetPosition(0);

    RunState run(FRunning);
    TMemoryStream& stream = *run.stream;
    TJPEGImage& working = *run.working;
    TJPEGImage& result = *run.result;
    working.SetQuality(kShrunkQuality);
    run.start();

    std::int32_t maxSize = 0;
    std::int32_t maxWidth = 0;
    std::int32_t maxHeight = 0;

    while (!qryImages->Eof()) {
        // The type must be exactly these three bytes: "jpg", "JPEG", " JPG"
        // and a blank-padded "JPG " are all other types.
        if (qryImages->FieldByName("IMAGETYPE").AsString() == "JPG") {
            pbCount->SetPosition(pbCount->Position() + 1);
            lblProgress->SetCaption(QString::asprintf("%d of %d", pbCount->Position(), pbCount->Max()));
            lblFirstName->SetCaption(QString::fromStdString(qryImages->FieldByName("FirstName").AsString()));
            lblLastName->SetCaption(QString::fromStdString(qryImages->FieldByName("LastName").AsString()));

            stream.Clear();
            qryImages->FieldByName("Image").SaveToStream(stream);
            // Only the stored size decides the write-back; a stream's size is
            // 64-bit, the run keeps its low 32 bits.
            const auto storedSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(stream.Size()));
            const std::int32_t imageId = qryImages->FieldByName("ImageId").AsInteger();

            stream.SetPosition(0);
            working.LoadJpeg(stream);
            lblStreamSize->SetCaption(decimal(stream.Size()));
            lblWidth->SetCaption(decimal(working.Width()));
            lblHeight->SetCaption(decimal(working.Height()));
            lblQuality->SetCaption(decimal(result.Quality()));
            imgOriginal->SetPicture(&working);

            maxSize = std::max(storedSize, maxSize);
            maxWidth = std::max(working.Width(), maxWidth);
            maxHeight = std::max(working.Height(), maxHeight);

            stream.Clear();
            working.EnsureJpeg();
            working.EnsureBitmap();
            working.Encode();
            working.SaveJpeg(stream);

            stream.SetPosition(0);
            result.LoadJpeg(stream);
            imgShrunk->SetPicture(&result);
            lblShrunkSize->SetCaption(decimal(stream.Size()));
            lblShrunkWidth->SetCaption(decimal(result.Width()));
            lblShrunkHeight->SetCaption(decimal(result.Height()));
            lblShrunkQuality->SetCaption(decimal(working.Quality()));
            lblMaxSize->SetCaption(decimal(maxSize));
            lblMaxWidth->SetCaption(decimal(maxWidth));
            lblMaxHeight->SetCaption(decimal(maxHeight));
            repaint();

            if (storedSize > kWriteBackAbove) {
                stream.SetPosition(0);
                UpdateImage(imageId, stream);
            }

            imgOriginal->SetPicture(nullptr);
            imgShrunk->SetPicture(nullptr);
            // A click on Run delivered here starts a nested run, which leaves
            // the listing at its end; a close request is refused while
            // FRunning is set.
            processPendingMessages();
        }
        qryImages->Next();
    }
}

} // namespace dwindle
