#pragma once
// The database components of the window: the connection, its transaction and
// the statements, thin classes over the Firebird client library. Nothing above
// this layer sees a status vector or a client handle.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dwindle {

class TStream;
class TIBTransaction;
class TIBQuery;

// The client library file name the components load unless told otherwise
// ("libfbclient.so.2", chosen when the program is built).
const std::string& defaultClientLibrary();

// The one connection. Creating it loads the client library (EIBClientError or
// EOSError when that fails); nothing connects until Connected is set.
// clientLibrary: the file name handed to dlopen; the library is loaded once
// per process and stays loaded.
class TIBDatabase {
public:
    explicit TIBDatabase(std::string name = "dbPaxtor", std::string clientLibrary = defaultClientLibrary());
    ~TIBDatabase(); // closes an open connection; a failure while closing is not reported
    TIBDatabase(const TIBDatabase&) = delete;
    TIBDatabase& operator=(const TIBDatabase&) = delete;

    const std::string& Name() const noexcept;
    bool Connected() const noexcept;
    // True: attach with DatabaseName and Params, then settle the SQL dialect.
    // False: end the active transactions (committed), close statements, detach.
    void SetConnected(bool value);

    const std::string& DatabaseName() const noexcept;
    void SetDatabaseName(const std::string& name); // "Cannot perform operation -- DB is currently open" when open
    // Lines of the form name=value ("user_name=photokeeper", "password=kd370").
    const std::vector<std::string>& Params() const noexcept;
    void SetParams(const std::vector<std::string>& params);
    int SQLDialect() const noexcept; // 3 until a database of a lower dialect lowers it
    TIBTransaction* DefaultTransaction() const noexcept;
    void SetDefaultTransaction(TIBTransaction* transaction) noexcept;

    struct Impl;
    Impl& impl() noexcept { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

// The one transaction. Started by the first statement that needs it; never
// ended by a command. Releasing it while active commits it (rolling back when
// the commit fails), and reports neither.
class TIBTransaction {
public:
    // Does not take ownership of the connection; either may be released first.
    explicit TIBTransaction(TIBDatabase* defaultDatabase, std::string name = "IBTransaction1");
    ~TIBTransaction();
    const std::string& Name() const noexcept;
    TIBTransaction(const TIBTransaction&) = delete;
    TIBTransaction& operator=(const TIBTransaction&) = delete;

    bool Active() const noexcept;
    void StartTransaction();
    void Commit();
    void Rollback();
    TIBDatabase* DefaultDatabase() const noexcept;
    void SetDefaultDatabase(TIBDatabase* database);

    struct Impl;
    Impl& impl() noexcept { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

// A column of the current row.
class TField {
public:
    virtual ~TField() = default;
    virtual const std::string& FieldName() const noexcept = 0;
    virtual bool IsNull() const = 0;
    virtual std::string AsString() const = 0;     // as stored, no trimming; NULL gives ""
    virtual std::int32_t AsInteger() const = 0;   // NULL gives 0
    // A blob column: its whole content written at the stream's position.
    virtual void SaveToStream(TStream& stream) const = 0;
};

// An input parameter of a statement.
class TParam {
public:
    virtual ~TParam() = default;
    virtual const std::string& Name() const noexcept = 0;
    virtual void SetAsInteger(std::int32_t value) = 0;
    // The stream's whole content from its first byte becomes the value; the
    // stream is left at its end.
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SetAsString(const std::string& value) = 0;
    // The value becomes NULL.
    virtual void Clear() = 0;
};

// A fixed SQL statement over the connection and its transaction. Parameters
// are written ":NAME" in the text and bound by position. Rows are fetched one
// at a time; only the current row (and its picture, once asked for) is held.
class TIBQuery {
public:
    // Takes ownership of neither; a null transaction means the connection's
    // DefaultTransaction. Either may be set later (the window creates the
    // listing before the transaction) and either may be released first.
    TIBQuery(std::string name, TIBDatabase* database, TIBTransaction* transaction, std::vector<std::string> sql);
    ~TIBQuery();
    TIBQuery(const TIBQuery&) = delete;
    TIBQuery& operator=(const TIBQuery&) = delete;

    const std::string& Name() const noexcept;
    const std::vector<std::string>& SQL() const noexcept;
    TIBDatabase* Database() const noexcept;
    void SetDatabase(TIBDatabase* database);
    TIBTransaction* Transaction() const noexcept;
    void SetTransaction(TIBTransaction* transaction);

    // Select statements: execute anew and stand on the first row (starting
    // the transaction when it is not active).
    void Open();
    void Close() noexcept;
    bool Active() const noexcept;
    bool Eof() const noexcept;
    // Moves to the next row; at the end sets Eof, and does nothing once set.
    void Next();
    // Case-insensitive; EDatabaseError "<name>: Field '<x>' not found".
    TField& FieldByName(const std::string& name);

    // Other statements: execute once with the parameters bound.
    void ExecSQL();
    // Case-insensitive; EDatabaseError "<name>: Parameter '<x>' not found".
    TParam& ParamByName(const std::string& name);

    struct Impl;
    Impl& impl() noexcept { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace dwindle
