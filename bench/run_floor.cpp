// The job's floor: what a batch run has to do at the least, in one process
// without a window. For every JPG row of the listing: read the blob, decode it,
// encode at quality 40, decode the re-encoding (what the shrunk picture's box
// does to show it), and for a stored picture over 50000 bytes a new blob and
// the update; all in one transaction, committed at the end.
#include "RunBench.h"

#include "IBDatabase.h"
#include "JPEGImage.h"
#include "Stream.h"

#include <chrono>

namespace dwindle::bench {

namespace {

const std::vector<std::string> kListing{
    "select", "  p.firstname,", "  p.lastname,", "  e.employeeid,", "  i.imageid,", "  i.image,", "  i.imagetype", "from",
    "  employees e inner join persons p on e.employeeid=p.employeeid",
    "              inner join images i on p.imageid=i.imageid", "order by ", "  p.lastname,", "  p.firstname"};
const std::vector<std::string> kUpdate{"update IMAGES set", "  IMAGE = :IMAGE", "where", "  IMAGEID = :IMAGEID"};

} // namespace

RunFigures runFloor(const std::string& connection)
{
    RunFigures figures;
    TIBDatabase database("dbFloor");
    TIBTransaction transaction(&database, "trFloor");
    database.SetDefaultTransaction(&transaction);
    database.SetDatabaseName(connection);
    database.SetParams({"user_name=photokeeper", "password=kd370"});
    database.SetConnected(true);
    TIBQuery listing("qryImages", &database, &transaction, kListing);
    TIBQuery update("qryUpdateImage", &database, &transaction, kUpdate);

    const auto start = std::chrono::steady_clock::now();
    TMemoryStream stored;
    TMemoryStream shrunk;
    listing.Open();
    while (!listing.Eof()) {
        if (listing.FieldByName("IMAGETYPE").AsString() == "JPG") {
            stored.Clear();
            listing.FieldByName("Image").SaveToStream(stored);
            const std::int32_t imageId = listing.FieldByName("ImageId").AsInteger();
            TJPEGImage working;
            working.SetQuality(40);
            stored.SetPosition(0);
            working.LoadJpeg(stored);
            working.EnsureBitmap();
            working.Encode();
            shrunk.Clear();
            working.SaveJpeg(shrunk);
            TJPEGImage result;
            shrunk.SetPosition(0);
            result.LoadJpeg(shrunk);
            result.EnsureBitmap();
            if (stored.Size() > 50000) {
                update.ParamByName("IMAGE").LoadFromStream(shrunk);
                update.ParamByName("IMAGEID").SetAsInteger(imageId);
                update.ExecSQL();
                ++figures.written;
            }
            ++figures.pictures;
        }
        listing.Next();
    }
    listing.Close();
    transaction.Commit();
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return figures;
}

} // namespace dwindle::bench
