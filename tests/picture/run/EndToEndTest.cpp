// A whole program run on a small demo-like database: Connect, Run, a normal
// exit; then, through a connection of its own, every JPG picture that was over
// 50000 bytes is the program's own re-encoding at quality 40 and every other
// picture is byte for byte what it was.

#include "HrDatabase.h"
#include "RunFixture.h"

namespace dwindle::runtest {
namespace {

class EndToEnd : public RunFixture {};

TEST_F(EndToEnd, JpgPicturesOverTheLimitAreReencodedAndNothingElseChanges)
{
    // Generated portraits of both sizes, a progressive and a gray one, rows
    // typed "jpg", "BMP" and NULL; the demo's broken row is left out.
    std::vector<seed::PictureRow> rows = seed::demoRows(10, 77);
    ASSERT_EQ(rows.back().lastName, seed::kBrokenRowLastName);
    rows.pop_back();
    int over = 0, under = 0, jpgRows = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto id = static_cast<std::int32_t>(i + 1);
        db.addEmployee(id);
        db.addPerson(id, rows[i].firstName, rows[i].lastName, id);
        db.addImage(id, rows[i].bytes, rows[i].type);
        if (rows[i].type == "JPG") {
            ++jpgRows;
            (rows[i].bytes->size() > 50000 ? over : under) += 1;
        }
    }
    ASSERT_GT(over, 0);
    ASSERT_GT(under, 0);

    connect();
    run();
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(caption(form->lblProgress), std::to_string(jpgRows) + " of " + std::to_string(rows.size()));
    // Nothing is committed before the program ends.
    EXPECT_EQ(db.committedImage(1), rows[0].bytes);

    exitProgram();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].lastName);
        const auto committed = db.committedImage(static_cast<std::int32_t>(i + 1));
        if (rows[i].type == "JPG" && rows[i].bytes->size() > 50000)
            EXPECT_EQ(committed, reencode(*rows[i].bytes));
        else
            EXPECT_EQ(committed, rows[i].bytes);
    }
}

} // namespace
} // namespace dwindle::runtest
