#include "JpegGuard.h"

#include "Exceptions.h"

#include <jerror.h>

namespace dwindle::jpeg {
namespace {

ErrorManager& ManagerOf(j_common_ptr cinfo) noexcept
{
    return *static_cast<ErrorManager*>(cinfo->client_data);
}

void ErrorExit(j_common_ptr cinfo)
{
    ErrorManager& err = ManagerOf(cinfo);
    err.code = cinfo->err->msg_code;
    std::longjmp(err.jump, 1);
}

void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}

} // namespace

void AttachErrorManager(ErrorManager& err, jpeg_common_struct& common) noexcept
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.emit_message = EmitMessage;
    err.pub.output_message = OutputMessage;
    err.code = 0;
    err.pending = nullptr;
    common.err = &err.pub;
    common.client_data = &err;
}

void KeepPending(jpeg_common_struct& common, std::exception_ptr failure) noexcept
{
    ManagerOf(&common).pending = std::move(failure);
}

void FailFromCallback(jpeg_common_struct& common) noexcept
{
    common.err->msg_code = JERR_OUT_OF_MEMORY;
    common.err->error_exit(&common);
    std::terminate(); // error_exit does not return
}

bool RunGuarded(ErrorManager& err, void (*step)(void*), void* context) noexcept
{
    if (setjmp(err.jump) != 0)
        return false;
    step(context);
    return true;
}

void ThrowFailure(const ErrorManager& err)
{
    if (err.pending)
        std::rethrow_exception(err.pending);
    if (err.code == JERR_OUT_OF_MEMORY)
        throw EOutOfMemory("Out of memory");
    throw EJPEG(err.code);
}

} // namespace dwindle::jpeg
