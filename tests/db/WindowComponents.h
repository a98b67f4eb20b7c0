#pragma once
// The window's database components, made in the window's order and released
// in reverse (the statements before the transaction, the transaction before
// the listing, the connection last), with the three fixed statements. Tests
// and the child-process helper use it to act as the program does.

#include "Exceptions.h"
#include "IBDatabase.h"
#include "PictureStoreSql.h"
#include "Stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dwindle::testing {

struct WindowComponents {
    // Declared in the window's creation order, so released in reverse.
    std::unique_ptr<TIBDatabase> dbPaxtor;
    std::unique_ptr<TIBQuery> qryImages;
    std::unique_ptr<TIBTransaction> IBTransaction1;
    std::unique_ptr<TIBQuery> qryUpdateImage;
    std::unique_ptr<TIBQuery> qryCount;

    // Connects with the program's credentials unless connectionString is empty.
    explicit WindowComponents(const std::string& connectionString)
    {
        dbPaxtor = std::make_unique<TIBDatabase>("dbPaxtor");
        // The listing comes before the transaction: it is given it afterwards.
        qryImages = std::make_unique<TIBQuery>("qryImages", dbPaxtor.get(), nullptr, kImagesSql);
        IBTransaction1 = std::make_unique<TIBTransaction>(dbPaxtor.get(), "IBTransaction1");
        dbPaxtor->SetDefaultTransaction(IBTransaction1.get());
        qryImages->SetTransaction(IBTransaction1.get());
        qryUpdateImage =
            std::make_unique<TIBQuery>("qryUpdateImage", dbPaxtor.get(), IBTransaction1.get(), kUpdateImageSql);
        qryCount = std::make_unique<TIBQuery>("qryCount", dbPaxtor.get(), IBTransaction1.get(), kCountSql);
        if (!connectionString.empty()) {
            dbPaxtor->SetDatabaseName(connectionString);
            dbPaxtor->SetParams({"user_name=photokeeper", "password=kd370"});
            dbPaxtor->SetConnected(true);
        }
    }

    // The same three steps as the window's UpdateImage.
    void updateImage(std::int32_t imageId, TStream& stream)
    {
        qryUpdateImage->ParamByName("IMAGEID").SetAsInteger(imageId);
        qryUpdateImage->ParamByName("IMAGE").LoadFromStream(stream);
        qryUpdateImage->ExecSQL();
    }
};

inline void fillStream(TMemoryStream& stream, const std::vector<std::uint8_t>& bytes)
{
    stream.Clear();
    if (!bytes.empty())
        stream.WriteBuffer(bytes.data(), bytes.size());
}

inline std::vector<std::uint8_t> bytesOf(const TMemoryStream& stream)
{
    return std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

} // namespace dwindle::testing
