#pragma once
// The one bridge between libjpeg's error handling and the program's
// exceptions. libjpeg reports a fatal error by calling error_exit, which must
// not return; ours records the message code and jumps back to RunGuarded, the
// only place that sets a jump point. The caller then raises the failure from
// ordinary C++ code, so no exception ever unwinds through libjpeg's frames.

#include <cstddef>
#include <cstdio> // jpeglib.h needs size_t and FILE declared first
#include <jpeglib.h>

#include <csetjmp>
#include <exception>
#include <type_traits>

namespace dwindle::jpeg {

struct ErrorManager {
    jpeg_error_mgr pub {};
    std::jmp_buf jump {};
    int code = 0;                 // libjpeg's message code of the fatal error
    std::exception_ptr pending;   // a failure of our own callbacks (memory, stream)
};

// Fills the error manager and links it to the codec struct. Warnings and trace
// messages are dropped: damaged entropy data decodes as libjpeg fills it.
void AttachErrorManager(ErrorManager& err, jpeg_common_struct& common) noexcept;

// Our own libjpeg callbacks (source and destination managers) catch the
// failures of their C++ work, keep them with KeepPending, and then leave with
// FailFromCallback from a frame that holds no C++ object. RunGuarded's caller
// raises the kept failure unchanged.
void KeepPending(jpeg_common_struct& common, std::exception_ptr failure) noexcept;
[[noreturn]] void FailFromCallback(jpeg_common_struct& common) noexcept;

// Runs step(context) with a jump point set. The step must call libjpeg (and
// plain code) only: nothing with a destructor may live in its frames, since a
// fatal error leaves them by longjmp. Returns true when the step completed.
bool RunGuarded(ErrorManager& err, void (*step)(void*), void* context) noexcept;

// Raises the failure that RunGuarded caught: the pending callback failure,
// EOutOfMemory for libjpeg's out-of-memory error, otherwise EJPEG(code).
[[noreturn]] void ThrowFailure(const ErrorManager& err);

// Runs a step given as a lambda under the guard and raises its failure.
// The lambda's body follows RunGuarded's rule.
template <class Step>
void Guarded(ErrorManager& err, Step&& step)
{
    using S = std::remove_reference_t<Step>;
    if (!RunGuarded(err, [](void* p) { (*static_cast<S*>(p))(); }, &step))
        ThrowFailure(err);
}

} // namespace dwindle::jpeg
