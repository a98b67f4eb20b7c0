#include "Sqlda.h"

#include <cstring>

namespace dwindle {

void Sqlda::resize(int count)
{
    if (count < 1)
        count = 1;
    const std::size_t bytes = XSQLDA_LENGTH(count);
    const std::size_t units = (bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    storage_ = std::make_unique<std::max_align_t[]>(units);
    std::memset(storage_.get(), 0, units * sizeof(std::max_align_t));
    get()->version = SQLDA_VERSION1;
    get()->sqln = static_cast<ISC_SHORT>(count);
    get()->sqld = 0;
    buffers_.clear();
    indicators_.clear();
}

void Sqlda::allocateBuffers()
{
    buffers_.clear();
    buffers_.resize(static_cast<std::size_t>(count()));
    indicators_.assign(static_cast<std::size_t>(count()), 0);
    for (int i = 0; i < count(); ++i)
        allocateBuffer(i);
}

void Sqlda::allocateBuffer(int index)
{
    if (buffers_.size() < static_cast<std::size_t>(count())) {
        buffers_.resize(static_cast<std::size_t>(count()));
        indicators_.resize(static_cast<std::size_t>(count()), 0);
    }
    XSQLVAR& v = var(index);
    std::size_t bytes = static_cast<std::size_t>(v.sqllen);
    if ((v.sqltype & ~1) == SQL_VARYING)
        bytes += sizeof(ISC_USHORT);
    if (bytes == 0)
        bytes = 1;
    const std::size_t units = (bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    auto& buffer = buffers_[static_cast<std::size_t>(index)];
    buffer = std::make_unique<std::max_align_t[]>(units);
    std::memset(buffer.get(), 0, units * sizeof(std::max_align_t));
    v.sqldata = reinterpret_cast<ISC_SCHAR*>(buffer.get());
    v.sqlind = &indicators_[static_cast<std::size_t>(index)];
    v.sqltype = static_cast<ISC_SHORT>(v.sqltype | 1);
}

} // namespace dwindle
