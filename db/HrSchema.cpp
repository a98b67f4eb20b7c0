#include "HrSchema.h"

#include "DatabaseAdmin.h"

namespace dwindle {

void createHrSchema(DatabaseAdmin& admin, const std::string& imageTypeColumn, bool uniqueImageIds)
{
    admin.execute("create table employees (employeeid integer not null primary key)");
    admin.execute("create table persons (employeeid integer not null, firstname varchar(40), "
                  "lastname varchar(40), imageid integer)");
    admin.execute(std::string("create table images (imageid integer not null") +
                  (uniqueImageIds ? " primary key" : "") + ", image blob sub_type 0, imagetype " + imageTypeColumn +
                  ")");
    if (!uniqueImageIds)
        admin.execute("create index images_imageid on images (imageid)");
    admin.execute("create index persons_name on persons (lastname, firstname)");
    admin.execute("grant select on employees to photokeeper");
    admin.execute("grant select on persons to photokeeper");
    admin.execute("grant select, update on images to photokeeper");
}

HrInserts::HrInserts(const std::string& connectionString)
{
    db.SetDatabaseName(connectionString);
    db.SetParams({"user_name=SYSDBA", "password=" + readSysdbaPassword()});
    db.SetConnected(true);
}

} // namespace dwindle
