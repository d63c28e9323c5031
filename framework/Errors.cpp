#include "framework/Errors.h"
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<ShowHandler> showHandler{nullptr};

bool TraceEnabled()
{
    static const bool enabled = std::getenv("VELMORA_TRACE") != nullptr;
    return enabled;
}

} // namespace

std::string FormatTextV(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}

void Raise(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    throw CError(text);
}

void Show(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    if (ShowHandler handler = showHandler.load())
        handler(kErrorCaption, text.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", kErrorCaption, text.c_str());
}

void Trace(const char* format, ...)
{
    if (!TraceEnabled())
        return;
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    std::fprintf(stderr, "%s\n", text.c_str());
}

void SetShowHandler(ShowHandler handler)
{
    showHandler.store(handler);
}
