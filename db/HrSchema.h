#pragma once
// The HR schema that the program works on, as the test databases, the demo and
// the benchmarks create it, and the SYSDBA statements that add its rows. For
// those tools only; the program itself never links this.

#include "IBDatabase.h"

#include <string>

namespace dwindle {

class DatabaseAdmin;

// Creates employees, persons and images in the attached database and gives
// photokeeper what the program needs: SELECT on employees and persons, SELECT
// and UPDATE on images. imageTypeColumn is the SQL type of images.imagetype;
// with uniqueImageIds false, several pictures may share one id.
void createHrSchema(DatabaseAdmin& admin, const std::string& imageTypeColumn, bool uniqueImageIds = true);

// One SYSDBA connection with the three insert statements, prepared once.
// Members are released in reverse: statements, transaction, connection.
struct HrInserts {
    explicit HrInserts(const std::string& connectionString);

    TIBDatabase db{"dbHrWriter"};
    TIBTransaction tr{&db, "trHrWriter"};
    TIBQuery addEmployee{"qryAddEmployee", &db, &tr, {"insert into employees (employeeid) values (:EMPLOYEEID)"}};
    TIBQuery addPerson{"qryAddPerson",
                       &db,
                       &tr,
                       {"insert into persons (employeeid, firstname, lastname, imageid)",
                        "values (:EMPLOYEEID, :FIRSTNAME, :LASTNAME, :IMAGEID)"}};
    TIBQuery addImage{"qryAddImage",
                      &db,
                      &tr,
                      {"insert into images (imageid, image, imagetype) values (:IMAGEID, :IMAGE, :IMAGETYPE)"}};
};

} // namespace dwindle
