#pragma once
#include <cstdint>
#include <string>

class CControl;

// Message box styles and answers (the classic numbering).
enum MessageBoxStyle : uint32_t {
    kMessageBoxOk = 0x00,
    kMessageBoxOkCancel = 0x01,
    kMessageBoxYesNoCancel = 0x03,
    kMessageBoxYesNo = 0x04,
    // "Save", "Discard", "Cancel", answered as kAnswerYes, kAnswerNo, kAnswerCancel.
    kMessageBoxSaveDiscardCancel = 0x0E,
    kMessageBoxIconError = 0x10,
    kMessageBoxIconQuestion = 0x20,
    kMessageBoxIconWarning = 0x30,
    kMessageBoxIconInformation = 0x40,
};
enum MessageBoxAnswer : int32_t {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

// File dialogs and message boxes: everything that waits for the user behind
// one interface, so that tests answer it instead of a person. Filters are
// "Project Files (*.vmp);;All Files (*)". The file and folder calls return
// false when the user cancels; `path` holds the start path and the answer.
class CUserDialogs {
public:
    virtual ~CUserDialogs() = default;
    virtual bool OpenFile(CControl* owner, const std::string& title, const std::string& filter, std::string& path) = 0;
    virtual bool SaveFile(CControl* owner, const std::string& title, const std::string& filter, std::string& path) = 0;
    virtual bool BrowseFolder(CControl* owner, const std::string& title, std::string& path) = 0;
    virtual int32_t MessageBox(CControl* owner, const std::string& text, const std::string& caption, uint32_t style) = 0;
};

// The dialogs in use: Qt's, unless replaced.
CUserDialogs& UserDialogs();
// Replaces the dialogs (null restores Qt's); returns the previous ones.
CUserDialogs* SetUserDialogs(CUserDialogs* dialogs);

// Routes Show (framework/Errors.h) to an error message box of the user
// dialogs while a GUI runs; on other threads the text goes to standard
// error as before.
void InstallErrorBox();
