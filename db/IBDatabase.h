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

// The one connection. Creating it loads the client library (EIBClientError or
// EOSError when that fails); nothing connects until Connected is set.
class TIBDatabase {
public:
    explicit TIBDatabase(std::string name = "dbPaxtor");
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
    explicit TIBTransaction(TIBDatabase* defaultDatabase, std::string name = "IBTransaction1");
    ~TIBTransaction();
    TIBTransaction(const TIBTransaction&) = delete;
    TIBTransaction& operator=(const TIBTransaction&) = delete;

    bool Active() const noexcept;
    void StartTransaction();
    void Commit();
    void Rollback();
    TIBDatabase* DefaultDatabase() const noexcept;

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
};

// A fixed SQL statement over the connection and its transaction.
class TIBQuery {
public:
    TIBQuery(std::string name, TIBDatabase* database, TIBTransaction* transaction, std::vector<std::string> sql);
    ~TIBQuery();
    TIBQuery(const TIBQuery&) = delete;
    TIBQuery& operator=(const TIBQuery&) = delete;

    const std::string& Name() const noexcept;
    const std::vector<std::string>& SQL() const noexcept;

    // Select statements: execute anew and stand on the first row.
    void Open();
    void Close() noexcept;
    bool Active() const noexcept;
    bool Eof() const noexcept;
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
