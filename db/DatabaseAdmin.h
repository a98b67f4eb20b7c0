#pragma once
// Whole-database work as SYSDBA, through the same client library as the
// program: creating a database, running DDL and GRANT statements, closing
// other attachments and dropping it. For the tests, the demo and the
// benchmarks; the program itself never links this.

#include <memory>
#include <string>

namespace dwindle {

// The SYSDBA password that the server package keeps in the form
// ISC_PASSWORD="..."; EFOpenError when the file cannot be read, EDatabaseError
// when it holds no password.
std::string readSysdbaPassword(const std::string& fileName = "/etc/firebird/3.0/SYSDBA.password");

class DatabaseAdmin {
public:
    // connectionString: "server:path", as the program composes it.
    explicit DatabaseAdmin(std::string connectionString, std::string password = readSysdbaPassword());
    ~DatabaseAdmin(); // detaches; reports nothing
    DatabaseAdmin(const DatabaseAdmin&) = delete;
    DatabaseAdmin& operator=(const DatabaseAdmin&) = delete;

    const std::string& connectionString() const noexcept;

    // Creates the database in the SQL dialect (3 unless told; pageSize 0:
    // the server's default), with forced writes off, and stays attached to it.
    void create(int pageSize = 0, int dialect = 3);
    // Attaches to an existing database.
    void attach();
    bool attached() const noexcept;
    // Runs one statement in a transaction of its own, committed at once.
    void execute(const std::string& sql);
    // Ends every other attachment to the database: each fails at its next
    // call as if its connection were lost. Attaches first when needed.
    void closeOtherAttachments();
    // Ends other attachments, then drops the database; detached afterwards.
    void drop();
    void detach() noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace dwindle
