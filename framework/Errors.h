#pragma once
#include <cstdarg>
#include <stdexcept>
#include <string>

// The error object thrown by Raise; its text is shown to the user as is.
class CError : public std::runtime_error {
public:
    explicit CError(const std::string& text) : std::runtime_error(text) {}
    const char* Text() const { return what(); }
};

// printf-style formatting into a string sized to fit the result.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, va_list args);

// Throws a CError carrying the formatted text.
[[noreturn]] void Raise(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The error box without unwinding: caption "Velmora" and the error icon.
void Show(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Debugger output; goes to standard error when VELMORA_TRACE is set.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where Show sends its text. Without a handler (no GUI, or a headless run)
// the text goes to standard error with the caption.
using ShowHandler = void (*)(const char* caption, const char* text);
void SetShowHandler(ShowHandler handler);

inline constexpr const char* kErrorCaption = "Velmora";
