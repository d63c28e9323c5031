#include "ui/UserDialogs.h"
#include "framework/Errors.h"
#include "ui/CControl.h"
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>
#include <atomic>
#include <cstdio>

namespace {

QWidget* OwnerWindow(CControl* owner)
{
    return owner ? owner->Window() : nullptr;
}

class CQtUserDialogs : public CUserDialogs {
public:
    bool OpenFile(CControl* owner, const std::string& title, const std::string& filter, std::string& path) override
    {
        return Answer(QFileDialog::getOpenFileName(OwnerWindow(owner), QString::fromStdString(title),
                                                   QString::fromStdString(path), QString::fromStdString(filter)),
                      path);
    }
    bool SaveFile(CControl* owner, const std::string& title, const std::string& filter, std::string& path) override
    {
        return Answer(QFileDialog::getSaveFileName(OwnerWindow(owner), QString::fromStdString(title),
                                                   QString::fromStdString(path), QString::fromStdString(filter)),
                      path);
    }
    bool BrowseFolder(CControl* owner, const std::string& title, std::string& path) override
    {
        return Answer(QFileDialog::getExistingDirectory(OwnerWindow(owner), QString::fromStdString(title),
                                                        QString::fromStdString(path)),
                      path);
    }
    int32_t MessageBox(CControl* owner, const std::string& text, const std::string& caption, uint32_t style) override
    {
        QMessageBox box(OwnerWindow(owner));
        box.setWindowTitle(QString::fromStdString(caption));
        box.setText(QString::fromStdString(text));
        switch (style & 0xF0) {
        case kMessageBoxIconError:
            box.setIcon(QMessageBox::Critical);
            break;
        case kMessageBoxIconQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case kMessageBoxIconWarning:
            box.setIcon(QMessageBox::Warning);
            break;
        case kMessageBoxIconInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
        }
        switch (style & 0x0F) {
        case kMessageBoxOkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case kMessageBoxYesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case kMessageBoxYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case kMessageBoxSaveDiscardCancel:
            box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Yes:
        case QMessageBox::Save:
            return kAnswerYes;
        case QMessageBox::No:
        case QMessageBox::Discard:
            return kAnswerNo;
        case QMessageBox::Cancel:
            return kAnswerCancel;
        default:
            return kAnswerOk;
        }
    }

private:
    static bool Answer(const QString& chosen, std::string& path)
    {
        if (chosen.isEmpty())
            return false;
        path = chosen.toStdString();
        return true;
    }
};

CQtUserDialogs qtDialogs;
std::atomic<CUserDialogs*> current{&qtDialogs};

void ShowErrorBox(const char* caption, const char* text)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!qobject_cast<QApplication*>(app) || QThread::currentThread() != app->thread()) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return;
    }
    Trace("%s: %s", caption, text); // what the box said, for VELMORA_TRACE runs
    UserDialogs().MessageBox(nullptr, text, caption, kMessageBoxOk | kMessageBoxIconError);
}

} // namespace

CUserDialogs& UserDialogs()
{
    return *current.load();
}

CUserDialogs* SetUserDialogs(CUserDialogs* dialogs)
{
    return current.exchange(dialogs ? dialogs : &qtDialogs);
}

void InstallErrorBox()
{
    SetShowHandler(&ShowErrorBox);
}
