// The window's one write to the picture store. Built into the window library
// (it is a member of TfrmDwindle) from the database folder, where the picture
// store's statements live.

#include "IBDatabase.h"
#include "Stream.h"
#include "TfrmDwindle.h"

namespace dwindle {

// Writes the stream's whole content, from its first byte, as the picture of
// every row whose IMAGEID is ImageId, in the open transaction; the stream is
// left at its end. An id that matches no row changes nothing.
void TfrmDwindle::UpdateImage(std::int32_t ImageId, TStream& Stream)
{
    qryUpdateImage->ParamByName("IMAGEID").SetAsInteger(ImageId);
    qryUpdateImage->ParamByName("IMAGE").LoadFromStream(Stream);
    qryUpdateImage->ExecSQL();
}

} // namespace dwindle
