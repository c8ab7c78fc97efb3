#include "host/sdl/LibraryMessages.h"

#include <SDL.h>
#include <dlfcn.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <thread>

#include "base/Format.h"

namespace stagehand::host {

namespace {

// Set on the routing thread and read on any; the sink itself is only used on that thread.
std::atomic<base::FaultSink*> routedSink{nullptr};
std::thread::id routingThread;

void Tell(const char* library, const char* text) {
    base::FaultSink* sink = routedSink.load();
    if (sink != nullptr && std::this_thread::get_id() == routingThread && text != nullptr) {
        sink->Fault(FormatText("%s says: %s", {std::string(library), std::string(text)}));
    }
}

void SdlLine(void* /*userdata*/, int /*category*/, SDL_LogPriority /*priority*/,
             const char* message) {
    Tell("SDL", message);
}

// ALSA's snd_lib_error_handler_t, declared here so that its header is not needed.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                  const char* format, ...);
using AlsaSetHandler = int (*)(AlsaErrorHandler handler);

// ALSA's format is printf's (the signature is ALSA's, variadic as it calls it); the line is
// cut at a bound of our own.
void AlsaLine(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
              const char* format, ...) {
    if (format == nullptr) {
        return;
    }
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    Tell("ALSA", text);
}

void QuietAlsa() {
    // The library SDL loaded (the same copy, by its name); kept open for the process, since
    // the handler stays installed in it.
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (alsa == nullptr) {
        alsa = dlopen("libasound.so.2", RTLD_LAZY);
    }
    if (alsa == nullptr) {
        return;
    }
    if (void* set = dlsym(alsa, "snd_lib_error_set_handler")) {
        reinterpret_cast<AlsaSetHandler>(set)(&AlsaLine);
    }
}

}  // namespace

void RouteLibraryMessages(base::FaultSink* faults) {
    // The first call's thread is the player's: it is fixed before any audio thread starts.
    static const bool quieted = [] {
        routingThread = std::this_thread::get_id();
        SDL_LogSetOutputFunction(&SdlLine, nullptr);
        QuietAlsa();
        return true;
    }();
    static_cast<void>(quieted);
    routedSink.store(faults);
}

}  // namespace stagehand::host
