#pragma once
// An XSQLDA with a buffer for every variable: the client's descriptor of a
// statement's columns or parameters, sized after the statement's description.

#include <ibase.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace dwindle {

class Sqlda {
public:
    Sqlda() { resize(1); }
    Sqlda(const Sqlda&) = delete;
    Sqlda& operator=(const Sqlda&) = delete;

    // Room for count variables; everything described before is dropped.
    void resize(int count);
    XSQLDA* get() noexcept { return reinterpret_cast<XSQLDA*>(storage_.get()); }
    const XSQLDA* get() const noexcept { return reinterpret_cast<const XSQLDA*>(storage_.get()); }
    int capacity() const noexcept { return get()->sqln; }
    int count() const noexcept { return get()->sqld; }
    XSQLVAR& var(int index) noexcept { return get()->sqlvar[index]; }
    const XSQLVAR& var(int index) const noexcept { return get()->sqlvar[index]; }

    // Points every described variable at a buffer of its own, sized after
    // sqltype and sqllen, with a null indicator; the nullable bit is set on
    // every variable so the server always fills the indicator.
    void allocateBuffers();
    // A fresh buffer for one variable after its type or length was changed.
    void allocateBuffer(int index);

private:
    std::unique_ptr<std::max_align_t[]> storage_;
    std::vector<std::unique_ptr<std::max_align_t[]>> buffers_;
    std::vector<short> indicators_;
};

} // namespace dwindle
