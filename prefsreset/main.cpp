// Deletes the studio's options file after asking, so that the studio starts
// with its defaults. Without a file there is nothing to ask: the tool ends
// at once and shows nothing. Exit status: 0 nothing to do or cleared, 1
// cancelled, 2 the file could not be deleted.
#include "OptionsLocation.h"
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    const std::string path = OptionsFileLocation();
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;

    QApplication application(argc, argv);
    QMessageBox question(QMessageBox::Question, "Velmora Studio", "Clear Velmora Studio Options?",
                         QMessageBox::Ok | QMessageBox::Cancel);
    question.setDefaultButton(QMessageBox::Ok);
    question.setEscapeButton(QMessageBox::Cancel);
    if (question.exec() != QMessageBox::Ok)
        return 1;
    // Only the file goes; a failure shows nothing (the file simply stays).
    return unlink(path.c_str()) == 0 ? 0 : 2;
}
