#include "ui/Icons.h"
#include "ui/CDrawContext.h"
#include "ui/CPicture.h"
#include <QIcon>
#include <QPixmap>

QIcon IconFromPicture(const CPicture& picture)
{
    if (!picture.HasPixels())
        return QIcon();
    return QIcon(QPixmap::fromImage(PictureImage(picture).copy()));
}
