#include "Exceptions.h"
#include "FbStatus.h"
#include "IBInternal.h"

namespace dwindle {

std::vector<char> readBlob(const FbClient& fb, isc_db_handle* db, isc_tr_handle* tr, ISC_QUAD id)
{
    ISC_STATUS_ARRAY status{};
    BlobHandle blob(fb);
    fb.isc_open_blob2(status, db, tr, blob.get(), &id, 0, nullptr);
    if (failed(status)) {
        blob.forget();
        raiseStatus(fb, status);
    }

    const char item = isc_info_blob_total_length;
    char info[32] = {};
    fb.isc_blob_info(status, blob.get(), 1, &item, sizeof info, info);
    check(fb, status);
    if (info[0] != item)
        throw EDatabaseError("The server did not report the length of a picture");
    const int lengthSize = static_cast<int>(infoInteger(info + 1, 2));
    const std::int64_t total = infoInteger(info + 3, lengthSize);
    if (total < 0)
        throw EDatabaseError("The server reported a negative picture length");

    // The whole content in memory first, read in pieces; a picture shorter
    // than announced keeps what the server gave.
    std::vector<char> data(static_cast<std::size_t>(total));
    std::size_t got = 0;
    while (got < data.size()) {
        unsigned short piece = 0;
        const auto ask = static_cast<unsigned short>(std::min(blobPieceSize, data.size() - got));
        fb.isc_get_segment(status, blob.get(), &piece, ask, data.data() + got);
        if (failed(status) && status[1] != isc_segment) { // isc_segment: the piece ended inside a segment
            if (status[1] == isc_segstr_eof)
                break;
            raiseStatus(fb, status);
        }
        got += piece;
    }
    data.resize(got);

    fb.isc_close_blob(status, blob.get());
    check(fb, status);
    blob.forget();
    return data;
}

ISC_QUAD writeBlob(const FbClient& fb, isc_db_handle* db, isc_tr_handle* tr, const char* data, std::size_t size)
{
    ISC_STATUS_ARRAY status{};
    BlobHandle blob(fb);
    ISC_QUAD id{};
    fb.isc_create_blob2(status, db, tr, blob.get(), &id, 0, nullptr);
    if (failed(status)) {
        blob.forget();
        raiseStatus(fb, status);
    }
    // Full pieces, then the remainder; no content at all is an empty blob.
    for (std::size_t offset = 0; offset < size;) {
        const auto piece = static_cast<unsigned short>(std::min(blobPieceSize, size - offset));
        fb.isc_put_segment(status, blob.get(), piece, data + offset);
        check(fb, status);
        offset += piece;
    }
    fb.isc_close_blob(status, blob.get());
    check(fb, status);
    blob.forget();
    return id;
}

} // namespace dwindle
