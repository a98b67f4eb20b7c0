#pragma once
// The insides of the database components, shared by their source files only.
//
// Who knows whom: a connection knows the transactions that name it and the
// statements that name it; a transaction knows the statements that name it
// and those prepared in it. Each component takes itself out of those lists
// when it is released, so the window may release them in any order. A
// statement handle lives from its first use in a transaction until that
// transaction ends; every handle is released before the connection detaches.

#include "FbClient.h"
#include "FbHandles.h"
#include "IBDatabase.h"
#include "Sqlda.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace dwindle {

template <typename T>
void eraseFrom(std::vector<T*>& list, T* item) noexcept
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

struct TIBDatabase::Impl {
    TIBDatabase* owner = nullptr;
    std::string name;
    const FbClient* client = nullptr;
    std::string databaseName;
    std::vector<std::string> params;
    int sqlDialect = 3;
    TIBTransaction* defaultTransaction = nullptr;
    AttachmentHandle attachment;
    std::vector<TIBTransaction::Impl*> transactions; // those whose default database this is
    std::vector<TIBQuery::Impl*> queries;            // those whose database this is

    bool connected() const noexcept { return static_cast<bool>(attachment); }
    // EIBClientError "Cannot perform operation -- DB is not open".
    void requireOpen() const;
    // Ends every active transaction (commit, rollback when that fails) with its
    // statements, then detaches. report: a failure is thrown after the
    // connection is closed; otherwise nothing is reported.
    void close(bool report);
};

enum class TransactionEnd { Commit, Rollback };

struct TIBTransaction::Impl {
    TIBTransaction* owner = nullptr;
    std::string name;
    const FbClient* client = nullptr;
    TIBDatabase::Impl* database = nullptr;
    TransactionHandle handle;
    std::vector<TIBQuery::Impl*> users;    // statements that name this transaction
    std::vector<TIBQuery::Impl*> prepared; // statements prepared in the running transaction

    bool active() const noexcept { return static_cast<bool>(handle); }
    void start();
    // Closes and releases the statements prepared in this transaction, then
    // commits or rolls back; a failure is thrown and the transaction stays active.
    void end(TransactionEnd how);
    // What releasing an active transaction does: commit, rollback when the
    // commit fails, neither reported. Returns the commit's failure, if any.
    std::exception_ptr endQuietly() noexcept;
    void releaseStatements() noexcept;
};

class IBField;
class IBParam;

struct TIBQuery::Impl {
    TIBQuery* owner = nullptr;
    std::string name;
    std::vector<std::string> sql;
    std::string sqlText;                      // lines joined, markers rewritten to "?"
    std::vector<std::string> markerNames;     // parameter name of each "?", in order
    const FbClient* client = nullptr;
    TIBDatabase::Impl* database = nullptr;    // as set; the transaction's when null
    TIBTransaction::Impl* transaction = nullptr; // as set; the connection's default when null

    // Parameters, one per distinct name, kept across transactions.
    std::vector<std::unique_ptr<IBParam>> params;

    // Prepared state, for the life of one transaction.
    TIBTransaction::Impl* preparedIn = nullptr;
    StatementHandle statement; // never moved: the client remembers its address
    int statementType = 0;
    Sqlda out; // the current row: rows are fetched one at a time into it
    Sqlda in;
    std::vector<std::unique_ptr<IBField>> fields;

    // Cursor state.
    bool cursorOpen = false;
    bool active = false;
    bool eof = true;
    bool hasRow = false;
    bool cursorNamed = false;

    Impl();
    ~Impl();

    TIBDatabase::Impl& effectiveDatabase();
    TIBTransaction::Impl& effectiveTransaction();
    // Connection open, transaction started, statement prepared in it.
    void ready();
    void prepare(TIBTransaction::Impl& transaction);
    void bindParameters();
    void fetch();
    void closeCursor() noexcept;
    void releaseStatement() noexcept;
    void forgetPictures() noexcept;
    [[noreturn]] void fail(const std::string& what) const; // EDatabaseError "<name>: <what>"
};

// A column of the current row: reads the row's buffer in the output XSQLDA;
// a blob's bytes are read from the server on first demand and kept only
// while the row is current.
class IBField final : public TField {
public:
    IBField(TIBQuery::Impl& query, int index, std::string name);
    const std::string& FieldName() const noexcept override { return name_; }
    bool IsNull() const override;
    std::string AsString() const override;
    std::int32_t AsInteger() const override;
    void SaveToStream(TStream& stream) const override;

    void forgetPicture() noexcept;

private:
    const XSQLVAR& var() const noexcept;
    const std::vector<char>& picture() const;

    TIBQuery::Impl& query_;
    int index_;
    std::string name_;
    mutable bool pictureRead_ = false;
    mutable std::vector<char> picture_;
};

// An input parameter: its value is kept here and bound at every marker of
// its name when the statement executes.
class IBParam final : public TParam {
public:
    enum class Kind { Null, Integer, Text, Blob };

    explicit IBParam(std::string name) : name_(std::move(name)) {}
    const std::string& Name() const noexcept override { return name_; }
    void SetAsInteger(std::int32_t value) override;
    void LoadFromStream(TStream& stream) override;
    void SetAsString(const std::string& value) override;
    void Clear() override;

    Kind kind() const noexcept { return kind_; }
    std::int32_t integer() const noexcept { return integer_; }
    const std::vector<char>& bytes() const noexcept { return bytes_; } // blob content or text

private:
    std::string name_;
    Kind kind_ = Kind::Null;
    std::int32_t integer_ = 0;
    std::vector<char> bytes_;
};

// Blob transfer in pieces of at most this many bytes: the largest piece that
// old servers and clients handle in one segment call without splitting.
inline constexpr std::size_t blobPieceSize = 16384;

// Reads a whole blob by its id.
std::vector<char> readBlob(const FbClient& client, isc_db_handle* db, isc_tr_handle* tr, ISC_QUAD id);
// Creates a blob with these bytes and returns its id.
ISC_QUAD writeBlob(const FbClient& client, isc_db_handle* db, isc_tr_handle* tr, const char* data, std::size_t size);
// Integer at p of length bytes in the client's little-endian info format.
std::int64_t infoInteger(const char* p, int length) noexcept;

} // namespace dwindle
