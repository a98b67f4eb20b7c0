#include "Exceptions.h"
#include "IBInternal.h"
#include "Stream.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace dwindle {

namespace {

template <typename T>
T load(const char* p) noexcept
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

std::int64_t power10(int n) noexcept
{
    std::int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// An exact numeric with its scale as decimal text ("-123.45").
std::string scaledText(std::int64_t value, int scale)
{
    if (scale >= 0) {
        std::string text = std::to_string(value);
        if (value != 0)
            text.append(static_cast<std::size_t>(scale), '0');
        return text;
    }
    const int digits = -scale;
    const bool negative = value < 0;
    // Work on the magnitude as unsigned so the smallest value does not overflow.
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string text = std::to_string(magnitude);
    if (text.size() <= static_cast<std::size_t>(digits))
        text.insert(0, static_cast<std::size_t>(digits) - text.size() + 1, '0');
    text.insert(text.size() - static_cast<std::size_t>(digits), 1, '.');
    return negative ? "-" + text : text;
}

} // namespace

IBField::IBField(TIBQuery::Impl& query, int index, std::string name)
    : query_(query), index_(index), name_(std::move(name))
{
}

const XSQLVAR& IBField::var() const noexcept { return query_.out.var(index_); }

bool IBField::IsNull() const { return !query_.hasRow || *var().sqlind < 0; }

void IBField::forgetPicture() noexcept
{
    std::vector<char>().swap(picture_);
    pictureRead_ = false;
}

const std::vector<char>& IBField::picture() const
{
    if (!pictureRead_) {
        TIBDatabase::Impl& db = query_.effectiveDatabase();
        if (!query_.preparedIn || !query_.preparedIn->active())
            query_.fail("Cannot read field '" + name_ + "' without an active transaction");
        const ISC_QUAD id = load<ISC_QUAD>(var().sqldata);
        picture_ = readBlob(*db.client, db.attachment.get(), query_.preparedIn->handle.get(), id);
        pictureRead_ = true;
    }
    return picture_;
}

std::string IBField::AsString() const
{
    if (IsNull())
        return {};
    const XSQLVAR& v = var();
    const char* data = v.sqldata;
    switch (v.sqltype & ~1) {
    case SQL_TEXT: // fixed width: every character as stored, blanks included
        return std::string(data, static_cast<std::size_t>(v.sqllen));
    case SQL_VARYING:
        return std::string(data + sizeof(ISC_USHORT), load<ISC_USHORT>(data));
    case SQL_SHORT:
        return scaledText(load<ISC_SHORT>(data), v.sqlscale);
    case SQL_LONG:
        return scaledText(load<ISC_LONG>(data), v.sqlscale);
    case SQL_INT64:
        return scaledText(load<ISC_INT64>(data), v.sqlscale);
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        const double value = (v.sqltype & ~1) == SQL_FLOAT ? load<float>(data) : load<double>(data);
        char text[64];
        std::snprintf(text, sizeof text, "%.15g", value);
        return text;
    }
    case SQL_BOOLEAN:
        return load<FB_BOOLEAN>(data) ? "True" : "False";
    case SQL_BLOB: {
        const auto& bytes = picture();
        return std::string(bytes.begin(), bytes.end());
    }
    default:
        query_.fail("Field '" + name_ + "' has a type that cannot be read as text");
    }
}

std::int32_t IBField::AsInteger() const
{
    if (IsNull())
        return 0;
    const XSQLVAR& v = var();
    const char* data = v.sqldata;
    auto narrow = [&](long double value) -> std::int32_t {
        const long double rounded = std::round(value);
        if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max())
            query_.fail("Value of field '" + name_ + "' is out of the range of an integer");
        return static_cast<std::int32_t>(rounded);
    };
    auto exact = [&](std::int64_t value) -> std::int32_t {
        if (v.sqlscale == 0) {
            if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
                query_.fail("Value of field '" + name_ + "' is out of the range of an integer");
            return static_cast<std::int32_t>(value);
        }
        const long double scaled = v.sqlscale < 0 ? static_cast<long double>(value) / power10(-v.sqlscale)
                                                  : static_cast<long double>(value) * power10(v.sqlscale);
        return narrow(scaled);
    };
    switch (v.sqltype & ~1) {
    case SQL_SHORT:
        return exact(load<ISC_SHORT>(data));
    case SQL_LONG:
        return exact(load<ISC_LONG>(data));
    case SQL_INT64:
        return exact(load<ISC_INT64>(data));
    case SQL_FLOAT:
        return narrow(load<float>(data));
    case SQL_DOUBLE:
        return narrow(load<double>(data));
    case SQL_BOOLEAN:
        return load<FB_BOOLEAN>(data) ? 1 : 0;
    case SQL_TEXT:
    case SQL_VARYING: {
        const std::string text = AsString();
        const auto first = text.find_first_not_of(' ');
        const auto last = text.find_last_not_of(' ');
        std::int32_t value = 0;
        if (first != std::string::npos) {
            const char* begin = text.data() + first;
            const char* end = text.data() + last + 1;
            const auto [ptr, ec] = std::from_chars(begin, end, value);
            if (ec == std::errc() && ptr == end)
                return value;
        }
        throw EDatabaseError("'" + text + "' is not a valid integer value");
    }
    default:
        query_.fail("Field '" + name_ + "' has a type that cannot be read as an integer");
    }
}

void IBField::SaveToStream(TStream& stream) const
{
    if (IsNull())
        return; // a NULL picture is no bytes
    if ((var().sqltype & ~1) == SQL_BLOB) {
        const auto& bytes = picture();
        if (!bytes.empty())
            stream.WriteBuffer(bytes.data(), bytes.size());
        return;
    }
    const std::string text = AsString();
    if (!text.empty())
        stream.WriteBuffer(text.data(), text.size());
}

void IBParam::SetAsInteger(std::int32_t value)
{
    kind_ = Kind::Integer;
    integer_ = value;
    std::vector<char>().swap(bytes_);
}

void IBParam::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    const std::int64_t size = stream.Size();
    std::vector<char> bytes(static_cast<std::size_t>(size));
    if (size > 0)
        stream.ReadBuffer(bytes.data(), bytes.size());
    bytes_ = std::move(bytes);
    kind_ = Kind::Blob;
}

} // namespace dwindle

namespace dwindle {

void IBParam::SetAsString(const std::string& value)
{
    bytes_.assign(value.begin(), value.end());
    kind_ = Kind::Text;
}

void IBParam::Clear()
{
    std::vector<char>().swap(bytes_);
    kind_ = Kind::Null;
}

} // namespace dwindle
