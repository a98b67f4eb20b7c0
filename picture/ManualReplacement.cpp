// The window's hidden maintenance command: replaces one stored picture, chosen
// by its picture id, with the bytes of a JPEG file that the user picks. The
// file is loaded only to check and measure it; its bytes are written
// unchanged.

#include "../app/Controls.h"
#include "../app/TfrmDwindle.h"
#include "../db/IBDatabase.h"

#include "Exceptions.h"
#include "InputBox.h"
#include "JPEGImage.h"
#include "StrToIntDef.h"
#include "Stream.h"
#include "TOpenPictureDialog.h"

#include <QFile>

#include <memory>

namespace dwindle {

void TfrmDwindle::btnUpdateImageClick(QObject* /*Sender*/)
{
    // The command writes through the connection that Connect opens; without it
    // there is nothing to write to, so it is refused before anything is asked
    // or shown.
    if (dbPaxtor == nullptr || !dbPaxtor->Connected())
        throw EDatabaseError("Cannot update an image: not connected to the database. Click Connect first");

    if (!dlgOpenImage->Execute())
        return;
    const std::string fileName = QFile::encodeName(dlgOpenImage->FileName()).toStdString();

    // Created stream first, image second; freed stream first (closing the
    // file), image second, whichever way the command ends. Locals are
    // destroyed in the reverse order of their declaration, hence the image is
    // declared before the stream.
    std::unique_ptr<TJPEGImage> image;
    std::unique_ptr<TFileStream> stream;

    stream = std::make_unique<TFileStream>(fileName);
    image = std::make_unique<TJPEGImage>();

    // Fails with EJPEG for a file that is not JPEG data, before anything is
    // shown or asked.
    stream->SetPosition(0);
    image->LoadJpeg(*stream);

    imgShrunk->SetPicture(image.get());
    lblShrunkSize->SetCaption(QString::number(stream->Size()));
    lblShrunkWidth->SetCaption(QString::number(image->Width()));
    lblShrunkHeight->SetCaption(QString::number(image->Height()));
    lblShrunkQuality->SetCaption(QString::number(image->Quality()));
    stream->SetPosition(0);

    const QString answer = InputBox(QStringLiteral("ImageID to Update"), QStringLiteral("ImageId"),
                                    QStringLiteral("0"), this);
    const std::int32_t imageId = StrToIntDef(answer.toStdString(), 0);
    if (imageId > 0)
        UpdateImage(imageId, *stream);
}

} // namespace dwindle
