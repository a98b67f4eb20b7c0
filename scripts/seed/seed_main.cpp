// dwindle-seed: creates an HR database on the local Firebird server, filled
// with generated portraits.
//
//   dwindle-seed --database PATH --demo [--if-missing]
//   dwindle-seed --database PATH --count N [--seed S] [--char4] [--if-missing]
//
// --demo        the demo set (a few hundred portraits and the special rows)
// --count N     N generated portraits, all typed JPG
// --seed S      the set's seed (default 1); the same seed gives the same bytes
// --char4       images.imagetype as char(4) instead of varchar(10)
// --server H    the server (default 127.0.0.1)
// --if-missing  do nothing when the database already exists
//
// Needs the SYSDBA password of the local server (read from the server
// package's password file). A database that cannot be filled is dropped.
#include "DatabaseAdmin.h"
#include "HrDatabase.h"
#include "Portrait.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

int usage(const char* self)
{
    std::fprintf(stderr,
                 "usage: %s --database PATH (--demo | --count N) [--seed S] [--char4] [--server HOST] [--if-missing]\n",
                 self);
    return 2;
}

bool exists(const std::string& connection)
{
    try {
        dwindle::DatabaseAdmin admin(connection);
        admin.attach();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

int main(int argc, char** argv)
{
    using namespace dwindle::seed;
    std::string server = "127.0.0.1", path;
    int count = -1;
    bool demo = false, char4 = false, ifMissing = false;
    std::uint64_t setSeed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--database" && hasValue)
            path = argv[++i];
        else if (a == "--server" && hasValue)
            server = argv[++i];
        else if (a == "--count" && hasValue)
            count = std::atoi(argv[++i]);
        else if (a == "--seed" && hasValue)
            setSeed = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--demo")
            demo = true;
        else if (a == "--char4")
            char4 = true;
        else if (a == "--if-missing")
            ifMissing = true;
        else
            return usage(argv[0]);
    }
    if (path.empty() || demo == (count >= 0) || (!demo && count < 0))
        return usage(argv[0]);

    const std::string connection = server + ":" + path;
    try {
        if (ifMissing && exists(connection)) {
            std::printf("dwindle-seed: %s exists, left as it is\n", connection.c_str());
            return 0;
        }
        createHrDatabase(connection, char4 ? "char(4)" : "varchar(10)");
        try {
            HrWriter writer(connection);
            long long bytes = 0;
            int over = 0;
            auto add = [&](const PictureRow& row) {
                writer.add(row);
                const std::size_t size = row.bytes ? row.bytes->size() : 0;
                bytes += static_cast<long long>(size);
                over += size > 50000 ? 1 : 0;
            };
            if (demo) {
                for (const PictureRow& row : demoRows(300, setSeed))
                    add(row);
            } else {
                for (int i = 0; i < count; ++i) {
                    add({firstNameFor(setSeed, i), lastNameFor(setSeed, i), "JPG",
                         makePortrait(portraitSpec(setSeed, i))});
                    if ((i + 1) % 500 == 0)
                        std::printf("dwindle-seed: %d of %d\n", i + 1, count), std::fflush(stdout);
                }
            }
            writer.commit();
            std::printf("dwindle-seed: %s: %d rows, %lld picture bytes, %d pictures over 50000 bytes\n",
                        connection.c_str(), writer.count(), bytes, over);
        } catch (...) {
            try {
                dropHrDatabase(connection);
            } catch (...) {
            }
            throw;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dwindle-seed: %s\n", e.what());
        return 1;
    }
    return 0;
}
