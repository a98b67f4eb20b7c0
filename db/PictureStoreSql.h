#pragma once
// The three fixed statements on the picture store, line by line; the blanks
// are part of them. The window's statement components carry these texts.

#include <string>
#include <vector>

namespace dwindle {

// The number of employee pictures, read as "EmpCount".
inline const std::vector<std::string> kCountSql = {
    "select",
    "  count(*) as EmpCount",
    "from",
    "  employees e inner join persons p on e.employeeid=p.employeeid",
    "              inner join images i on p.imageid=i.imageid",
};

// The pictures in order of last name and first name.
inline const std::vector<std::string> kImagesSql = {
    "select",
    "  p.firstname,",
    "  p.lastname,",
    "  e.employeeid,",
    "  i.imageid,",
    "  i.image,",
    "  i.imagetype",
    "from",
    "  employees e inner join persons p on e.employeeid=p.employeeid",
    "              inner join images i on p.imageid=i.imageid",
    "order by ",
    "  p.lastname,",
    "  p.firstname",
};

// New bytes for one picture id.
inline const std::vector<std::string> kUpdateImageSql = {
    "update IMAGES set",
    "  IMAGE = :IMAGE",
    "where",
    "  IMAGEID = :IMAGEID",
};

} // namespace dwindle
